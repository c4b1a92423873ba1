#include "editor/EditorTexts.h"

#include <array>
#include <utility>

namespace tirvelo::editor {
namespace {

// Catalan, Spanish, Portuguese: the order of InterfaceLanguage.
using Texts = std::array<const char16_t*, 3>;

const std::pair<EditorText, Texts> kTexts[] = {
    {EditorText::UnwritableCharacter, {u"«%1» (%2) no es pot desar: els llibres es desen en Windows-1252; el més semblant és «%3»",
     u"«%1» (%2) no se puede guardar: los libros se guardan en Windows-1252; lo más parecido es «%3»",
     u"«%1» (%2) não pode ser guardado: os livros são guardados em Windows-1252; o mais parecido é «%3»"}},
    {EditorText::PictureUnreadable, {u"No es pot llegir la imatge «%1».", u"No se puede leer la imagen «%1».",
     u"Não é possível ler a imagem «%1»."}},
    {EditorText::PictureNotShown, {u"El lector no mostra imatges com «%1».", u"El lector no muestra imágenes como «%1».",
     u"O leitor não mostra imagens como «%1»."}},
    {EditorText::SoundUndecodable, {u"No es pot descodificar el so «%1».", u"No se puede descodificar el sonido «%1».",
     u"Não é possível descodificar o som «%1»."}},
    {EditorText::FolderNotWritable, {u"No es pot escriure a la carpeta «%1». No s'ha desat res.",
     u"No se puede escribir en la carpeta «%1». No se ha guardado nada.",
     u"Não é possível escrever na pasta «%1». Nada foi guardado."}},
    {EditorText::WriteFailed, {u"No s'ha pogut escriure «%1»: potser el disc és ple. El llibre anterior és sencer.",
     u"No se ha podido escribir «%1»: quizá el disco está lleno. El libro anterior está entero.",
     u"Não foi possível escrever «%1»: talvez o disco esteja cheio. O livro anterior está inteiro."}},
    {EditorText::SourceUnreadable, {u"No es pot llegir «%1». No s'ha desat res.", u"No se puede leer «%1». No se ha guardado nada.",
     u"Não é possível ler «%1». Nada foi guardado."}},
    {EditorText::Refused, {u"No s'ha desat: el lector s'entrebancaria amb el llibre. Mireu la llista de problemes.",
     u"No se ha guardado: el lector tropezaría con el libro. Mire la lista de problemas.",
     u"Não foi guardado: o leitor tropeçaria no livro. Veja a lista de problemas."}},
    {EditorText::ConfirmReplace, {u"Ja hi ha un llibre «%1» que l'editor no ha fet. El voleu substituir?",
     u"Ya hay un libro «%1» que el editor no ha hecho. ¿Quiere sustituirlo?",
     u"Já existe um livro «%1» que o editor não fez. Quer substituí-lo?"}},
    {EditorText::NotABook, {u"«%1» no és un llibre: l'editor no el substitueix mai. Trieu un altre nom.",
     u"«%1» no es un libro: el editor nunca lo sustituye. Elija otro nombre.",
     u"«%1» não é um livro: o editor nunca o substitui. Escolha outro nome."}},
    {EditorText::NoPages, {u"El llibre no té cap pàgina.", u"El libro no tiene ninguna página.", u"O livro não tem nenhuma página."}},
    {EditorText::TooManyPages, {u"Un llibre té com a molt 1001 pàgines.", u"Un libro tiene como máximo 1001 páginas.",
     u"Um livro tem no máximo 1001 páginas."}},
    {EditorText::Saved, {u"S'ha desat «%1».", u"Se ha guardado «%1».", u"Foi guardado «%1»."}},
    {EditorText::UnsavedChanges, {u"Hi ha canvis sense desar. Els voleu desar?", u"Hay cambios sin guardar. ¿Quiere guardarlos?",
     u"Há alterações por guardar. Quer guardá-las?"}},
    {EditorText::PagePosition, {u"pàgina %1 de %2", u"página %1 de %2", u"página %1 de %2"}},
    {EditorText::PageKindPicture, {u"imatge", u"imagen", u"imagem"}},
    {EditorText::PageKindPictureSound, {u"imatge amb so", u"imagen con sonido", u"imagem com som"}},
    {EditorText::PageKindPictureText, {u"imatge amb text", u"imagen con texto", u"imagem com texto"}},
    {EditorText::PageKindText, {u"text", u"texto", u"texto"}},
    {EditorText::PageKindRichText, {u"text amb format", u"texto con formato", u"texto com formatação"}},
    {EditorText::WindowTitle, {u"Editor de llibres", u"Editor de libros", u"Editor de livros"}},
    {EditorText::NewBook, {u"&Nou", u"&Nuevo", u"&Novo"}},
    {EditorText::OpenBook, {u"&Obre...", u"&Abrir...", u"&Abrir..."}},
    {EditorText::SaveBook, {u"&Desa", u"&Guardar", u"&Guardar"}},
    {EditorText::SaveBookAs, {u"Desa &com a...", u"Guardar &como...", u"Guardar &como..."}},
    {EditorText::ImportEpub, {u"Importa &EPUB...", u"Importar &EPUB...", u"Importar &EPUB..."}},
    {EditorText::AddPictures, {u"Afegeix &imatges...", u"Añadir &imágenes...", u"Adicionar &imagens..."}},
    {EditorText::AddFolder, {u"Afegeix una &carpeta...", u"Añadir una &carpeta...", u"Adicionar uma &pasta..."}},
    {EditorText::AddTextPage, {u"Afegeix una pàgina de &text", u"Añadir una página de &texto", u"Adicionar uma página de &texto"}},
    {EditorText::Paste, {u"&Enganxa", u"&Pegar", u"&Colar"}},
    {EditorText::Duplicate, {u"D&uplica", u"D&uplicar", u"D&uplicar"}},
    {EditorText::Delete, {u"&Esborra", u"&Borrar", u"&Apagar"}},
    {EditorText::MoveUp, {u"Mou amunt", u"Mover arriba", u"Mover para cima"}},
    {EditorText::MoveDown, {u"Mou avall", u"Mover abajo", u"Mover para baixo"}},
    {EditorText::Undo, {u"&Desfés", u"&Deshacer", u"&Desfazer"}},
    {EditorText::Redo, {u"&Refés", u"&Rehacer", u"&Refazer"}},
    {EditorText::Close, {u"&Tanca", u"&Cerrar", u"&Fechar"}},
    {EditorText::Pages, {u"Pàgines", u"Páginas", u"Páginas"}},
    {EditorText::PageText, {u"Text de la pàgina", u"Texto de la página", u"Texto da página"}},
    {EditorText::NarrationNone, {u"Sense so", u"Sin sonido", u"Sem som"}},
    {EditorText::NarrationSound, {u"So gravat", u"Sonido grabado", u"Som gravado"}},
    {EditorText::NarrationText, {u"Text llegit", u"Texto leído", u"Texto lido"}},
    {EditorText::Record, {u"Grava", u"Grabar", u"Gravar"}},
    {EditorText::Stop, {u"Atura", u"Parar", u"Parar"}},
    {EditorText::Listen, {u"Escolta", u"Escuchar", u"Ouvir"}},
    {EditorText::RecordAgain, {u"Torna a gravar", u"Volver a grabar", u"Gravar de novo"}},
    {EditorText::ImportSound, {u"Importa so...", u"Importar sonido...", u"Importar som..."}},
    {EditorText::Try, {u"Prova", u"Probar", u"Experimentar"}},
    {EditorText::Findings, {u"Problemes", u"Problemas", u"Problemas"}},
    {EditorText::LevelBar, {u"Nivell de la gravació", u"Nivel de la grabación", u"Nível da gravação"}},
    {EditorText::Timer, {u"Temps gravat", u"Tiempo grabado", u"Tempo gravado"}},
    {EditorText::Preview, {u"La pàgina com la veurà el lector", u"La página como la verá el lector",
     u"A página como o leitor a verá"}},
    {EditorText::BookFilter, {u"Llibres (*.Lumbrix)", u"Libros (*.Lumbrix)", u"Livros (*.Lumbrix)"}},
    {EditorText::PictureFilter, {u"Imatges (*.jpg *.jpeg *.bmp *.ico *.wmf *.emf *.png *.gif *.webp *.JPG *.JPEG *.PNG)",
     u"Imágenes (*.jpg *.jpeg *.bmp *.ico *.wmf *.emf *.png *.gif *.webp *.JPG *.JPEG *.PNG)",
     u"Imagens (*.jpg *.jpeg *.bmp *.ico *.wmf *.emf *.png *.gif *.webp *.JPG *.JPEG *.PNG)"}},
    {EditorText::EpubFilter, {u"Llibres EPUB (*.epub *.EPUB)", u"Libros EPUB (*.epub *.EPUB)", u"Livros EPUB (*.epub *.EPUB)"}},
    {EditorText::SoundFilter, {u"Sons (*.wav *.mp3 *.WAV *.MP3)", u"Sonidos (*.wav *.mp3 *.WAV *.MP3)",
     u"Sons (*.wav *.mp3 *.WAV *.MP3)"}},
};

} // namespace

QString editorText(EditorText text, InterfaceLanguage language)
{
    for (const auto& [key, texts] : kTexts)
        if (key == text)
            return QString::fromUtf16(texts[static_cast<std::size_t>(language)]);
    return {};
}

} // namespace tirvelo::editor
