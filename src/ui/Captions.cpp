#include "ui/Captions.h"

namespace tirvelo {

const Captions& captionsFor(InterfaceLanguage language)
{
    static const Captions catalan{
        QStringLiteral(u"&Anterior"),
        QStringLiteral(u"&Següent"),
        QStringLiteral(u"Clic botó dret per obrir el menú d'opcions"),
        QStringLiteral(u"&Actiu"),
        QStringLiteral(u"&Carregar llibre..."),
        QStringLiteral(u"Funciona amb &veu"),
        QStringLiteral(u"Control del &volum del micròfon..."),
        QStringLiteral(u"Llegeix els fitxers text"),
        QStringLiteral(u"Llenguatge"),
        QStringLiteral(u"Veu de"),
        QStringLiteral(u"Dona"),
        QStringLiteral(u"Home"),
        QStringLiteral(u"&Parlant de..."),
        QStringLiteral(u"&Sortir"),
        QStringLiteral(u"Obrir - Fitxer: Quirna 2006 Tirvelo"),
        QStringLiteral(u"Nivell d'entrada d'audio"),
        QStringLiteral(u"&Tancar"),
        QStringLiteral(u"Nivell &Micròfon"),
        QStringLiteral(u"Calibra"),
        QStringLiteral(u"Text de la pàgina"),
    };
    static const Captions spanish{
        QStringLiteral(u"&Anterior"),
        QStringLiteral(u"&Siguiente"),
        QStringLiteral(u"Clic botón derecho para abrir el menú opciones"),
        QStringLiteral(u"&Activo"),
        QStringLiteral(u"&Cargar libro..."),
        QStringLiteral(u"Funciona mediante &voz"),
        QStringLiteral(u"Control del &volumen del micrófono..."),
        QStringLiteral(u"Lee los archivos de texto"),
        QStringLiteral(u"Lenguage"),
        QStringLiteral(u"Voz de"),
        QStringLiteral(u"Mujer"),
        QStringLiteral(u"Hombre"),
        QStringLiteral(u"&Crèditos..."),
        QStringLiteral(u"&Salir..."),
        QStringLiteral(u"Abrir - Archivo: Quirna 2006 Tirvelo"),
        QStringLiteral(u"Nivel entrada de audio"),
        QStringLiteral(u"&Cerrar"),
        QStringLiteral(u"Nivel &Micrófono"),
        QStringLiteral(u"Calibrar"),
        QStringLiteral(u"Texto de la página"),
    };
    static const Captions portuguese{
        QStringLiteral(u"&Anterior"),
        QStringLiteral(u"&Seguinte"),
        QStringLiteral(u"Clique no botão direito para o menu Opções"),
        QStringLiteral(u"&Activo"),
        QStringLiteral(u"&Carregar livro..."),
        QStringLiteral(u"Funciona por &voz"),
        QStringLiteral(u"Controlo do &volume do microfone..."),
        QStringLiteral(u"Lê ficheiros de texto"),
        QStringLiteral(u"Idioma"),
        QStringLiteral(u"Voz"),
        QStringLiteral(u"Feminina"),
        QStringLiteral(u"Masculina"),
        QStringLiteral(u"&Sobre..."),
        QStringLiteral(u"&Sair..."),
        QStringLiteral(u"Abrir - Ficheiro: Quirna 2006 Tirvelo"),
        QStringLiteral(u"Nível de entrada de áudio"),
        QStringLiteral(u"&Parar"),
        QStringLiteral(u"Volume do &Microfone"),
        QStringLiteral(u"Calibrar"),
        QStringLiteral(u"Texto da página"),
    };
    return forLanguage(language, catalan, spanish, portuguese);
}

} // namespace tirvelo
