// What the import says, in the interface language.
#include "authoring/LanguageTexts.h"
#include "authoring/epub/EpubImport.h"

namespace tirvelo::authoring {
namespace {

// %1 the subject, %2 the detail.
const TextRow<ImportError> kErrors[] = {
    {ImportError::CannotOpen, {u"«%1» no és un EPUB (un fitxer ZIP) o no es pot llegir",
     u"«%1» no es un EPUB (un archivo ZIP) o no se puede leer", u"«%1» não é um EPUB (um ficheiro ZIP) ou não pode ser lido"}},
    {ImportError::TooManyEntries, {u"l'EPUB té %1 fitxers, i se n'accepten 10000 com a màxim",
     u"el EPUB tiene %1 archivos, y se aceptan 10000 como máximo", u"o EPUB tem %1 ficheiros, e aceitam-se 10000 no máximo"}},
    {ImportError::UnsafeName, {u"l'EPUB conté «%1», un nom que surt de la carpeta (.., camí absolut o lletra d'unitat)",
     u"el EPUB contiene «%1», un nombre que sale de la carpeta (.., ruta absoluta o letra de unidad)",
     u"o EPUB contém «%1», um nome que sai da pasta (.., caminho absoluto ou letra de unidade)"}},
    {ImportError::Link, {u"l'EPUB conté «%1», un enllaç simbòlic", u"el EPUB contiene «%1», un enlace simbólico",
     u"o EPUB contém «%1», uma ligação simbólica"}},
    {ImportError::TooLarge, {u"«%1» s'expandeix massa (una bomba ZIP?): passa dels límits de mida de l'EPUB",
     u"«%1» se expande demasiado (¿una bomba ZIP?): pasa de los límites de tamaño del EPUB",
     u"«%1» expande-se demasiado (uma bomba ZIP?): passa dos limites de tamanho do EPUB"}},
    {ImportError::Corrupt, {u"«%1» de l'EPUB està malmès", u"«%1» del EPUB está dañado", u"«%1» do EPUB está danificado"}},
    {ImportError::Encrypted, {u"l'EPUB està protegit amb DRM (xifrat): no es pot importar; demaneu-ne una còpia sense DRM",
     u"el EPUB está protegido con DRM (cifrado): no se puede importar; pida una copia sin DRM",
     u"o EPUB está protegido com DRM (cifrado): não pode ser importado; peça uma cópia sem DRM"}},
    {ImportError::NoContainer, {u"falta META-INF/container.xml: no és un EPUB", u"falta META-INF/container.xml: no es un EPUB",
     u"falta META-INF/container.xml: não é um EPUB"}},
    {ImportError::BrokenContainer, {u"META-INF/container.xml no diu on és el paquet (%2)",
     u"META-INF/container.xml no dice dónde está el paquete (%2)", u"META-INF/container.xml não diz onde está o pacote (%2)"}},
    {ImportError::NoPackage, {u"falta el fitxer del paquet «%1»", u"falta el archivo del paquete «%1»",
     u"falta o ficheiro do pacote «%1»"}},
    {ImportError::BrokenPackage, {u"el fitxer del paquet «%1» està malmès (%2)", u"el archivo del paquete «%1» está dañado (%2)",
     u"o ficheiro do pacote «%1» está danificado (%2)"}},
    {ImportError::BrokenPage, {u"la plana «%1» està malmesa (%2)", u"la página «%1» está dañada (%2)",
     u"a página «%1» está danificada (%2)"}},
    {ImportError::BrokenOverlay, {u"la narració sincronitzada «%1» està malmesa (%2)",
     u"la narración sincronizada «%1» está dañada (%2)", u"a narração sincronizada «%1» está danificada (%2)"}},
    {ImportError::MissingFile, {u"«%1» no és dins l'EPUB", u"«%1» no está dentro del EPUB", u"«%1» não está dentro do EPUB"}},
    {ImportError::PictureDoesNotDecode, {u"la imatge «%1» de l'EPUB no es pot descodificar",
     u"la imagen «%1» del EPUB no se puede descodificar", u"a imagem «%1» do EPUB não pode ser descodificada"}},
    {ImportError::SoundDoesNotDecode, {u"el so «%1» de l'EPUB no es pot descodificar",
     u"el sonido «%1» del EPUB no se puede descodificar", u"o som «%1» do EPUB não pode ser descodificado"}},
    {ImportError::NoPages, {u"l'EPUB no té cap plana amb imatge o text", u"el EPUB no tiene ninguna página con imagen o texto",
     u"o EPUB não tem nenhuma página com imagem ou texto"}},
    {ImportError::NotAFolder, {u"«%1» ja existeix i no és una carpeta", u"«%1» ya existe y no es una carpeta",
     u"«%1» já existe e não é uma pasta"}},
    {ImportError::FolderNotEmpty, {u"la carpeta «%1» ja existeix i no és buida: feu servir --force per escriure-hi el llibre",
     u"la carpeta «%1» ya existe y no está vacía: use --force para escribir en ella el libro",
     u"a pasta «%1» já existe e não está vazia: use --force para escrever nela o livro"}},
    {ImportError::BookExists, {u"el llibre «%1» ja existeix: feu servir --force per substituir-lo",
     u"el libro «%1» ya existe: use --force para sustituirlo", u"o livro «%1» já existe: use --force para o substituir"}},
    {ImportError::BookIsLink, {u"«%1» és un enllaç simbòlic: el llibre s'escriuria en un altre lloc",
     u"«%1» es un enlace simbólico: el libro se escribiría en otro lugar",
     u"«%1» é uma ligação simbólica: o livro seria escrito noutro lugar"}},
    {ImportError::NotABook, {u"«%1» ja existeix i no és un llibre: no se substitueix ni amb --force",
     u"«%1» ya existe y no es un libro: no se sustituye ni con --force",
     u"«%1» já existe e não é um livro: não é substituído nem com --force"}},
    {ImportError::WriteFailed, {u"no es pot escriure «%1»", u"no se puede escribir «%1»", u"não é possível escrever «%1»"}},
};

// %1 the subject, %2 the other value, %3 the count.
const TextRow<ImportWarningCode> kWarnings[] = {
    {ImportWarningCode::TooManyPages, {u"l'EPUB té %1 planes, i un llibre en pot tenir 1001: s'han importat les %2 primeres",
     u"el EPUB tiene %1 páginas, y un libro puede tener 1001: se han importado las %2 primeras",
     u"o EPUB tem %1 páginas, e um livro pode ter 1001: foram importadas as %2 primeiras"}},
    {ImportWarningCode::CharacterReplaced, {u"«%1» no cap en Windows-1252: s'ha escrit «%2» (vegades: %3)",
     u"«%1» no cabe en Windows-1252: se ha escrito «%2» (veces: %3)", u"«%1» não cabe em Windows-1252: escreveu-se «%2» (vezes: %3)"}},
    {ImportWarningCode::CharacterLeftOut, {u"«%1» no cap en Windows-1252: s'ha tret (vegades: %3)",
     u"«%1» no cabe en Windows-1252: se ha quitado (veces: %3)", u"«%1» não cabe em Windows-1252: foi retirado (vezes: %3)"}},
    {ImportWarningCode::SoundOfTextPageLeftOut, {u"«%1» és una plana de text, que no pot dur so: el so no s'ha importat",
     u"«%1» es una página de texto, que no puede llevar sonido: el sonido no se ha importado",
     u"«%1» é uma página de texto, que não pode levar som: o som não foi importado"}},
};

} // namespace

QString importErrorText(const ImportResult& result, InterfaceLanguage language)
{
    return withValues(pickText(kErrors, result.error, language), {result.subject, result.detail});
}

QString importWarningText(const ImportWarning& warning, InterfaceLanguage language)
{
    return withValues(pickText(kWarnings, warning.code, language), {warning.subject, warning.other, QString::number(warning.count)});
}

} // namespace tirvelo::authoring
