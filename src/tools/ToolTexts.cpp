#include "tools/ToolTexts.h"

#include "authoring/LanguageTexts.h"

namespace tirvelo::booktool {
namespace {

template <typename Key>
using Row = authoring::TextRow<Key>;
using authoring::withValues;

const Row<Label> kLabels[] = {
    {Label::Error, {u"error", u"error", u"erro"}},
    {Label::Warning, {u"avís", u"aviso", u"aviso"}},
    {Label::ProgramSays, {u"el programa diu: «%1»", u"el programa dice: «%1»", u"o programa diz: «%1»"}},
    {Label::ProgramPlaysAlert, {u"el programa fa sonar l'avís en lloc del so", u"el programa hace sonar el aviso en lugar del sonido",
     u"o programa toca o alerta em vez do som"}},
    {Label::ProgramReadsNothing, {u"el programa no llegeix res", u"el programa no lee nada", u"o programa não lê nada"}},
    {Label::Summary, {u"planes: %1; errors: %2; avisos: %3", u"páginas: %1; errores: %2; avisos: %3",
     u"páginas: %1; erros: %2; avisos: %3"}},
    {Label::BookUnreadable, {u"no es pot llegir el llibre", u"no se puede leer el libro", u"não é possível ler o livro"}},
    {Label::Written, {u"S'ha escrit el llibre «%1».", u"Se ha escrito el libro «%1».", u"Foi escrito o livro «%1»."}},
    {Label::NothingWritten, {u"No s'ha escrit res.", u"No se ha escrito nada.", u"Nada foi escrito."}},
    {Label::UnusedFile, {u"no fa de plana ni d'acompanyant: «%1»", u"no sirve de página ni de acompañante: «%1»",
     u"não serve de página nem de acompanhante: «%1»"}},
    {Label::Usage, {u"Ús: tirvelo-llibre check [--json] [--] LLIBRE...\n"
     u"    tirvelo-llibre make [-o LLIBRE] [--windows] [--force] [--] CARPETA\n"
     u"    tirvelo-llibre import [-o CARPETA] [--force] [--] LLIBRE.epub\n",
     u"Uso: tirvelo-llibre check [--json] [--] LIBRO...\n"
     u"     tirvelo-llibre make [-o LIBRO] [--windows] [--force] [--] CARPETA\n"
     u"     tirvelo-llibre import [-o CARPETA] [--force] [--] LIBRO.epub\n",
     u"Uso: tirvelo-llibre check [--json] [--] LIVRO...\n"
     u"     tirvelo-llibre make [-o LIVRO] [--windows] [--force] [--] PASTA\n"
     u"     tirvelo-llibre import [-o PASTA] [--force] [--] LIVRO.epub\n"}},
};

// %1 is the finding's subject, %2 its second value.
const Row<FindingCode> kFindings[] = {
    {FindingCode::Line1, {u"la primera línia ha de dir {Quirna 2000 - Tirvelo}", u"la primera línea debe decir {Quirna 2000 - Tirvelo}",
     u"a primeira linha deve dizer {Quirna 2000 - Tirvelo}"}},
    {FindingCode::Line2, {u"la segona línia ha de dir {Número de planes}", u"la segunda línea debe decir {Número de planes}",
     u"a segunda linha deve dizer {Número de planes}"}},
    {FindingCode::CountNotANumber, {u"la tercera línia ha de ser el nombre de planes, i «%1» no és un nombre",
     u"la tercera línea debe ser el número de páginas, y «%1» no es un número",
     u"a terceira linha deve ser o número de páginas, e «%1» não é um número"}},
    {FindingCode::CountOutOfRange, {u"el nombre de planes ha d'estar entre 1 i 1001, i és «%1»",
     u"el número de páginas debe estar entre 1 y 1001, y es «%1»",
     u"o número de páginas deve estar entre 1 e 1001, e é «%1»"}},
    {FindingCode::Line4, {u"la quarta línia ha de dir {Directori}", u"la cuarta línea debe decir {Directori}",
     u"a quarta linha deve dizer {Directori}"}},
    {FindingCode::DirectoryWithoutSeparator, {u"la línia del directori «%1» no acaba en \\ ni en /: s'enganxa tal qual davant de cada nom",
     u"la línea del directorio «%1» no acaba en \\ ni en /: se pega tal cual delante de cada nombre",
     u"a linha do diretório «%1» não acaba em \\ nem em /: cola-se tal qual antes de cada nome"}},
    {FindingCode::Line6, {u"la sisena línia ha de dir {Planes}", u"la sexta línea debe decir {Planes}",
     u"a sexta linha deve dizer {Planes}"}},
    {FindingCode::MissingPageLines, {u"la tercera línia diu %1 planes, però només n'hi ha %2",
     u"la tercera línea dice %1 páginas, pero solo hay %2",
     u"a terceira linha diz %1 páginas, mas só há %2"}},
    {FindingCode::LinesBeyondCount, {u"%1 línies més enllà del nombre de planes: el programa no les mostra",
     u"%1 líneas más allá del número de páginas: el programa no las muestra",
     u"%1 linhas além do número de páginas: o programa não as mostra"}},
    {FindingCode::EmptyPageLine, {u"línia de plana buida: el programa no hi mostra res",
     u"línea de página vacía: el programa no muestra nada",
     u"linha de página vazia: o programa não mostra nada"}},
    {FindingCode::MissingFile, {u"«%1» no existeix", u"«%1» no existe", u"«%1» não existe"}},
    {FindingCode::DriveLetter, {u"«%1» porta una lletra d'unitat: en aquest sistema no es troba",
     u"«%1» lleva una letra de unidad: en este sistema no se encuentra",
     u"«%1» leva uma letra de unidade: neste sistema não se encontra"}},
    {FindingCode::FoundIgnoringCase, {u"«%1» només es troba com a «%2», amb majúscules i minúscules diferents: en altres sistemes no es trobaria",
     u"«%1» solo se encuentra como «%2», con mayúsculas y minúsculas distintas: en otros sistemas no se encontraría",
     u"«%1» só se encontra como «%2», com maiúsculas e minúsculas diferentes: noutros sistemas não se encontraria"}},
    {FindingCode::FoundOnlyFromCurrentFolder, {u"«%1» es troba des de la carpeta actual com a «%2», però des de la carpeta del llibre no: obert des d'una altra carpeta, el programa no el trobaria",
     u"«%1» se encuentra desde la carpeta actual como «%2», pero desde la carpeta del libro no: abierto desde otra carpeta, el programa no lo encontraría",
     u"«%1» encontra-se a partir da pasta atual como «%2», mas a partir da pasta do livro não: aberto a partir de outra pasta, o programa não o encontraria"}},
    {FindingCode::Unreadable, {u"«%1» no es pot llegir (no és un fitxer normal o no hi ha permís)",
     u"«%1» no se puede leer (no es un archivo normal o no hay permiso)",
     u"«%1» não pode ser lido (não é um ficheiro normal ou não há permissão)"}},
    {FindingCode::OverCapacity, {u"«%1» és massa gran per al quadre de text", u"«%1» es demasiado grande para el cuadro de texto",
     u"«%1» é grande demais para a caixa de texto"}},
    {FindingCode::UnknownPictureType, {u"«%1» es pren per una imatge, però només es mostren bmp, ico, wmf, emf, jpg i jpeg",
     u"«%1» se toma por una imagen, pero solo se muestran bmp, ico, wmf, emf, jpg y jpeg",
     u"«%1» é tomado por uma imagem, mas só se mostram bmp, ico, wmf, emf, jpg e jpeg"}},
    {FindingCode::TextEndingInCapitals, {u"«%1» no acaba en .txt ni .rtf en minúscules: es pren per una imatge",
     u"«%1» no acaba en .txt ni .rtf en minúsculas: se toma por una imagen",
     u"«%1» não acaba em .txt nem .rtf em minúsculas: é tomado por uma imagem"}},
    {FindingCode::SoundAlone, {u"«%1»: un so sol no és una plana; escriviu-lo darrere d'una imatge, com imatge.jpg#so.wav",
     u"«%1»: un sonido solo no es una página; escríbalo detrás de una imagen, como imagen.jpg#so.wav",
     u"«%1»: um som sozinho não é uma página; escreva-o depois de uma imagem, como imagem.jpg#som.wav"}},
    {FindingCode::TextWithCompanion, {u"«%1»: una plana de text no pot dur acompanyant; la part d'abans del # es pren per una imatge",
     u"«%1»: una página de texto no puede llevar acompañante; la parte antes del # se toma por una imagen",
     u"«%1»: uma página de texto não pode levar acompanhante; a parte antes do # é tomada por uma imagem"}},
    {FindingCode::PictureDoesNotDecode, {u"la imatge «%1» no es pot descodificar", u"la imagen «%1» no se puede descodificar",
     u"a imagem «%1» não pode ser descodificada"}},
    {FindingCode::LongTextName, {u"«%1» passa de 127 caràcters: aquí es llegeix sencer, però en altres sistemes es talla",
     u"«%1» pasa de 127 caracteres: aquí se lee entero, pero en otros sistemas se corta",
     u"«%1» passa de 127 caracteres: aqui lê-se inteiro, mas noutros sistemas é cortado"}},
    {FindingCode::SoundMissing, {u"el so «%1» no existeix", u"el sonido «%1» no existe", u"o som «%1» não existe"}},
    {FindingCode::SoundDoesNotDecode, {u"el so «%1» no es pot descodificar", u"el sonido «%1» no se puede descodificar",
     u"o som «%1» não pode ser descodificado"}},
    {FindingCode::LongSoundName, {u"el nom del so «%1» passa de 127 caràcters", u"el nombre del sonido «%1» pasa de 127 caracteres",
     u"o nome do som «%1» passa de 127 caracteres"}},
    {FindingCode::CompanionTextMissing, {u"el text acompanyant «%1» no existeix o no es pot llegir",
     u"el texto acompañante «%1» no existe o no se puede leer",
     u"o texto acompanhante «%1» não existe ou não pode ser lido"}},
    {FindingCode::CompanionRichTextUnreadable, {u"el text enriquit acompanyant «%1» no existeix o no es pot llegir",
     u"el texto enriquecido acompañante «%1» no existe o no se puede leer",
     u"o texto rico acompanhante «%1» não existe ou não pode ser lido"}},
    {FindingCode::CompanionIgnored, {u"l'acompanyant «%1» no conté .wav, .txt ni .rtf: el programa no en fa res",
     u"el acompañante «%1» no contiene .wav, .txt ni .rtf: el programa no hace nada con él",
     u"o acompanhante «%1» não contém .wav, .txt nem .rtf: o programa não faz nada com ele"}},
};

// %1 is the name the refusal is about.
const Row<Refusal> kRefusals[] = {
    {Refusal::NotAFolder, {u"«%1» no és una carpeta", u"«%1» no es una carpeta", u"«%1» não é uma pasta"}},
    {Refusal::NoPages, {u"la carpeta «%1» no té cap plana (bmp, ico, wmf, emf, jpg, jpeg, txt, rtf)",
     u"la carpeta «%1» no tiene ninguna página (bmp, ico, wmf, emf, jpg, jpeg, txt, rtf)",
     u"a pasta «%1» não tem nenhuma página (bmp, ico, wmf, emf, jpg, jpeg, txt, rtf)"}},
    {Refusal::TooManyPages, {u"la carpeta té %1 planes, i un llibre en pot tenir 1001 com a màxim",
     u"la carpeta tiene %1 páginas, y un libro puede tener 1001 como máximo",
     u"a pasta tem %1 páginas, e um livro pode ter 1001 no máximo"}},
    {Refusal::NameNotCp1252, {u"«%1» té caràcters que un llibre (Windows-1252) no pot escriure",
     u"«%1» tiene caracteres que un libro (Windows-1252) no puede escribir",
     u"«%1» tem caracteres que um livro (Windows-1252) não pode escrever"}},
    {Refusal::NameWithHash, {u"«%1» porta #, que el programa llegeix com el començament d'un acompanyant",
     u"«%1» lleva #, que el programa lee como el comienzo de un acompañante",
     u"«%1» leva #, que o programa lê como o começo de um acompanhante"}},
    {Refusal::NameWithLineBreak, {u"«%1» porta un salt de línia", u"«%1» lleva un salto de línea", u"«%1» leva uma quebra de linha"}},
    {Refusal::NameWithBackslash, {u"«%1» porta \\, que el programa llegeix com a separador de carpetes",
     u"«%1» lleva \\, que el programa lee como separador de carpetas",
     u"«%1» leva \\, que o programa lê como separador de pastas"}},
    {Refusal::NameWithDriveLetter, {u"«%1» comença com una lletra d'unitat, i el programa no el trobaria",
     u"«%1» empieza como una letra de unidad, y el programa no lo encontraría",
     u"«%1» começa como uma letra de unidade, e o programa não o encontraria"}},
    {Refusal::NameTooLong, {u"«%1» passa de 127 caràcters", u"«%1» pasa de 127 caracteres", u"«%1» passa de 127 caracteres"}},
    {Refusal::BookExists, {u"el llibre «%1» ja existeix: feu servir --force per substituir-lo",
     u"el libro «%1» ya existe: use --force para sustituirlo",
     u"o livro «%1» já existe: use --force para o substituir"}},
    {Refusal::BookIsLink, {u"«%1» és un enllaç simbòlic: el llibre s'escriuria en un altre lloc",
     u"«%1» es un enlace simbólico: el libro se escribiría en otro lugar",
     u"«%1» é uma ligação simbólica: o livro seria escrito noutro lugar"}},
    {Refusal::NotABook, {u"«%1» ja existeix i no és un llibre: no se substitueix ni amb --force",
     u"«%1» ya existe y no es un libro: no se sustituye ni con --force",
     u"«%1» já existe e não é um livro: não é substituído nem com --force"}},
    {Refusal::WriteFailed, {u"no es pot escriure el llibre «%1»", u"no se puede escribir el libro «%1»",
     u"não é possível escrever o livro «%1»"}},
};

} // namespace

QString labelText(Label label, InterfaceLanguage language)
{
    return authoring::pickText(kLabels, label, language);
}

QString findingText(const Finding& finding, InterfaceLanguage language)
{
    return withValues(authoring::pickText(kFindings, finding.code, language), {finding.subject, finding.other});
}

QString refusalText(Refusal refusal, const QString& name, InterfaceLanguage language)
{
    return withValues(authoring::pickText(kRefusals, refusal, language), {name});
}

} // namespace tirvelo::booktool
