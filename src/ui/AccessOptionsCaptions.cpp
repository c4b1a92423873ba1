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
        QStringLiteral(u"Massa soroll"),
        QStringLiteral(u"Hi ha massa soroll per calibrar: torneu-ho a provar en silenci."),
        QStringLiteral(u"No s'han pogut desar les opcions d'accés. Es faran servir fins que tanqueu el programa."),
        QStringLiteral(u"Amb la tecla 1 o 2 com a commutador, aquesta xifra s'escriu a la velocitat de lectura amb el teclat numèric."),
        QStringLiteral(u"No trobo espeak-ng: el botó ressaltat no es pot llegir."),
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
        QStringLiteral(u"Demasiado ruido"),
        QStringLiteral(u"Hay demasiado ruido para calibrar: vuelva a probarlo en silencio."),
        QStringLiteral(u"No se han podido guardar las opciones de acceso. Se usarán hasta que cierre el programa."),
        QStringLiteral(u"Con la tecla 1 o 2 como conmutador, esta cifra se escribe en la velocidad de lectura con el teclado numérico."),
        QStringLiteral(u"No encuentro espeak-ng: el botón resaltado no se puede leer."),
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
        QStringLiteral(u"Demasiado ruído"),
        QStringLiteral(u"Há demasiado ruído para calibrar: tente de novo em silêncio."),
        QStringLiteral(u"Não foi possível guardar as opções de acesso. Serão usadas até fechar o programa."),
        QStringLiteral(u"Com a tecla 1 ou 2 como comutador, este algarismo escreve-se na velocidade de leitura com o teclado numérico."),
        QStringLiteral(u"Não encontro o espeak-ng: o botão realçado não pode ser lido."),
    };
    return forLanguage(language, catalan, spanish, portuguese);
}

} // namespace tirvelo
