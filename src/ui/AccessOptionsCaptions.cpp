#include "ui/AccessOptionsCaptions.h"

namespace tirvelo {

const AccessOptionsCaptions& accessOptionsCaptionsFor(InterfaceLanguage language)
{
    static const AccessOptionsCaptions catalan{
        QStringLiteral(u"Opcions d'accés"),
        QStringLiteral(u"Temps d'acceptació (ms):"),
        QStringLiteral(u"Temps d'espera després d'acceptar (ms):"),
        QStringLiteral(u"Tecla de selecció:"),
        QStringLiteral(u"Tecla de pas:"),
        QStringLiteral(u"Cap"),
        QStringLiteral(u"Llegeix el botó ressaltat"),
        QStringLiteral(u"El so activa també durant el so de la pàgina"),
        QStringLiteral(u"Useu-ho amb auriculars, o amb el micròfon lluny dels altaveus."),
        QStringLiteral(u"&Acceptar"),
        QStringLiteral(u"&Cancel·lar"),
        QStringLiteral(u"Calibra"),
        QStringLiteral(u"Escoltant... %1 s"),
    };
    static const AccessOptionsCaptions spanish{
        QStringLiteral(u"Opciones de acceso"),
        QStringLiteral(u"Tiempo de aceptación (ms):"),
        QStringLiteral(u"Tiempo de espera tras aceptar (ms):"),
        QStringLiteral(u"Tecla de selección:"),
        QStringLiteral(u"Tecla de paso:"),
        QStringLiteral(u"Ninguna"),
        QStringLiteral(u"Lee el botón resaltado"),
        QStringLiteral(u"El sonido activa también durante el sonido de la página"),
        QStringLiteral(u"Úselo con auriculares, o con el micrófono lejos de los altavoces."),
        QStringLiteral(u"&Aceptar"),
        QStringLiteral(u"&Cancelar"),
        QStringLiteral(u"Calibra"),
        QStringLiteral(u"Escuchando... %1 s"),
    };
    static const AccessOptionsCaptions portuguese{
        QStringLiteral(u"Opções de acesso"),
        QStringLiteral(u"Tempo de aceitação (ms):"),
        QStringLiteral(u"Tempo de espera após aceitar (ms):"),
        QStringLiteral(u"Tecla de seleção:"),
        QStringLiteral(u"Tecla de passo:"),
        QStringLiteral(u"Nenhuma"),
        QStringLiteral(u"Lê o botão realçado"),
        QStringLiteral(u"O som ativa também durante o som da página"),
        QStringLiteral(u"Use-o com auscultadores, ou com o microfone longe dos altifalantes."),
        QStringLiteral(u"&Aceitar"),
        QStringLiteral(u"&Cancelar"),
        QStringLiteral(u"Calibra"),
        QStringLiteral(u"A ouvir... %1 s"),
    };
    return forLanguage(language, catalan, spanish, portuguese);
}

} // namespace tirvelo
