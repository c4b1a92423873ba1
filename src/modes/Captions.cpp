#include "modes/Captions.h"

#include "speech/UpctvApi.h"

namespace tirvelo {

namespace {

const Captions catalan{
    QStringLiteral(u"&Anterior"),
    QStringLiteral(u"&Següent"),
    QStringLiteral(u"Clic botó dret per obrir el menú d'opcions"),
    QStringLiteral(u"&Actiu"),
    QStringLiteral(u"&Carregar llibre..."),
    QStringLiteral(u"Edita el llibre..."),
    QStringLiteral(u"Funciona amb &veu"),
    QStringLiteral(u"Control del &volum del micròfon..."),
    QStringLiteral(u"Llegeix els fitxers text"),
    QStringLiteral(u"Llenguatge"),
    QStringLiteral(u"Veu de"),
    QStringLiteral(u"Dona"),
    QStringLiteral(u"Home"),
    QStringLiteral(u"Opcions d'accés..."),
    QStringLiteral(u"&Parlant de..."),
    QStringLiteral(u"&Sortir"),
    QStringLiteral(u"Obrir - Fitxer: Quirna 2006 Tirvelo"),
    QStringLiteral(u"Nivell d'entrada d'audio"),
    QStringLiteral(u"&Tancar"),
    QStringLiteral(u"Nivell &Micròfon"),
    QStringLiteral(u"Calibra"),
    QStringLiteral(u"Text de la pàgina"),
    QStringLiteral(u"Plana"),
    QStringLiteral(u"Número de pàgina"),
    QStringLiteral(u"Decimes de segon que dura cada salt de l'escaneig"),
    QStringLiteral(u"Velocitat de lectura"),
};
const Captions spanish{
    QStringLiteral(u"&Anterior"),
    QStringLiteral(u"&Siguiente"),
    QStringLiteral(u"Clic botón derecho para abrir el menú opciones"),
    QStringLiteral(u"&Activo"),
    QStringLiteral(u"&Cargar libro..."),
    QStringLiteral(u"Editar el libro..."),
    QStringLiteral(u"Funciona mediante &voz"),
    QStringLiteral(u"Control del &volumen del micrófono..."),
    QStringLiteral(u"Lee los archivos de texto"),
    QStringLiteral(u"Lenguage"),
    QStringLiteral(u"Voz de"),
    QStringLiteral(u"Mujer"),
    QStringLiteral(u"Hombre"),
    QStringLiteral(u"Opciones de acceso..."),
    QStringLiteral(u"&Crèditos..."),
    QStringLiteral(u"&Salir..."),
    QStringLiteral(u"Abrir - Archivo: Quirna 2006 Tirvelo"),
    QStringLiteral(u"Nivel entrada de audio"),
    QStringLiteral(u"&Cerrar"),
    QStringLiteral(u"Nivel &Micrófono"),
    QStringLiteral(u"Calibrar"),
    QStringLiteral(u"Texto de la página"),
    QStringLiteral(u"Página"),
    QStringLiteral(u"Número de página"),
    QStringLiteral(u"Décimas de segundo que dura cada salto del escaneo"),
    QStringLiteral(u"Velocidad de lectura"),
};
const Captions portuguese{
    QStringLiteral(u"&Anterior"),
    QStringLiteral(u"&Seguinte"),
    QStringLiteral(u"Clique no botão direito para o menu Opções"),
    QStringLiteral(u"&Activo"),
    QStringLiteral(u"&Carregar livro..."),
    QStringLiteral(u"Editar o livro..."),
    QStringLiteral(u"Funciona por &voz"),
    QStringLiteral(u"Controlo do &volume do microfone..."),
    QStringLiteral(u"Lê ficheiros de texto"),
    QStringLiteral(u"Idioma"),
    QStringLiteral(u"Voz"),
    QStringLiteral(u"Feminina"),
    QStringLiteral(u"Masculina"),
    QStringLiteral(u"Opções de acesso..."),
    QStringLiteral(u"&Sobre..."),
    QStringLiteral(u"&Sair..."),
    QStringLiteral(u"Abrir - Ficheiro: Quirna 2006 Tirvelo"),
    QStringLiteral(u"Nível de entrada de áudio"),
    QStringLiteral(u"&Parar"),
    QStringLiteral(u"Volume do &Microfone"),
    QStringLiteral(u"Calibrar"),
    QStringLiteral(u"Texto da página"),
    QStringLiteral(u"Página"),
    QStringLiteral(u"Número da página"),
    QStringLiteral(u"Décimas de segundo que dura cada salto do varrimento"),
    QStringLiteral(u"Velocidade de leitura"),
};
} // namespace

std::span<const LanguageFacts> languageTable()
{
    static const LanguageFacts table[] = {
        {InterfaceLanguage::Catalan, "ca", "Catala", upctv::kCatalan, QStringLiteral(u"Català"), catalan},
        {InterfaceLanguage::Spanish, "es", "Castellano", upctv::kCastilian, QStringLiteral(u"Castellano"), spanish},
        // There is no Portuguese speech: Portuguese pages are read in Castilian.
        {InterfaceLanguage::Portuguese, "pt", "Portugues", upctv::kCastilian, QStringLiteral(u"Portugues"), portuguese},
};
    return table;
}

const LanguageFacts& languageFacts(InterfaceLanguage language)
{
    return languageTable()[static_cast<size_t>(language)];
}

const Captions& captionsFor(InterfaceLanguage language)
{
    return languageFacts(language).captions;
}

InterfaceLanguage languageFromStoredValue(QByteArrayView value)
{
    for (const LanguageFacts& facts : languageTable())
        if (facts.language != InterfaceLanguage::Catalan && value == QByteArrayView(facts.storedValue))
            return facts.language;
    return InterfaceLanguage::Catalan;
}

} // namespace tirvelo
