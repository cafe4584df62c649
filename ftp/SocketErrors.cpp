#include "SocketErrors.h"

#include <cerrno>
#include <utility>

#include "EIdException.h"

namespace vd::ftp {

int WinSockErrorFromErrno(int err) noexcept {
    static constexpr std::pair<int, int> kMap[] = {
        {EINTR, 10004},
        {EBADF, 10009},
        {EACCES, 10013},
        {EFAULT, 10014},
        {EINVAL, 10022},
        {EMFILE, 10024},
        // Our sockets block; EAGAIN comes only from an SO_RCVTIMEO or
        // SO_SNDTIMEO timeout, which Windows reports as WSAETIMEDOUT.
        {EAGAIN, 10060},
        {EINPROGRESS, 10036},
        {EALREADY, 10037},
        {ENOTSOCK, 10038},
        {EDESTADDRREQ, 10039},
        {EMSGSIZE, 10040},
        {EPROTOTYPE, 10041},
        {ENOPROTOOPT, 10042},
        {EPROTONOSUPPORT, 10043},
        {ESOCKTNOSUPPORT, 10044},
        {EOPNOTSUPP, 10045},
        {EPFNOSUPPORT, 10046},
        {EAFNOSUPPORT, 10047},
        {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049},
        {ENETDOWN, 10050},
        {ENETUNREACH, 10051},
        {ENETRESET, 10052},
        {ECONNABORTED, 10053},
        {ECONNRESET, 10054},
        {ENOBUFS, 10055},
        {EISCONN, 10056},
        {ENOTCONN, 10057},
        {ESHUTDOWN, 10058},
        {ETOOMANYREFS, 10059},
        {ETIMEDOUT, 10060},
        {ECONNREFUSED, 10061},
        {ELOOP, 10062},
        {ENAMETOOLONG, 10063},
        {EHOSTDOWN, 10064},
        {EHOSTUNREACH, 10065},
        {ENOTEMPTY, 10066},
        // Writing to a connection the peer has torn down.
        {EPIPE, 10053},
    };
    for (const auto& [from, to] : kMap)
        if (from == err) return to;
    return err;
}

std::string SocketErrorText(int winError) {
    switch (winError) {
        case 10004:
            return "Unterbrochener Systemaufruf.";
        case 10009:
            return "Falsche Dateinummer.";
        case 10013:
            return "Zugriff verweigert.";
        case 10014:
            return "Pufferfehler.";
        case 10022:
            return "Ungültiges Argument.";
        case 10024:
            return "Zu viele geöffnete Dateien.";
        case 10035:
            return "Operation würde blockieren.";
        case 10036:
            return "Die Operation wird gerade durchgeführt.";
        case 10037:
            return "Operation wird bereits verarbeitet.";
        case 10038:
            return "Socket-Operation für Nicht-Socket.";
        case 10039:
            return "Zieladresse erforderlich.";
        case 10040:
            return "Nachricht zu lang.";
        case 10041:
            return "Falscher Protokolltyp für Socket.";
        case 10042:
            return "Falsche Protokolloption.";
        case 10043:
            return "Protokoll nicht unterstützt.";
        case 10044:
            return "Socket-Typ wird nicht unterstützt.";
        case 10045:
            return "Operation für Socket nicht unterstützt.";
        case 10046:
            return "Protokollfamilie nicht unterstützt.";
        case 10047:
            return "Die Adressfamilie wird von der Protokollfamilie nicht unterstützt.";
        case 10048:
            return "Adresse wird bereits verwendet.";
        case 10049:
            return "Angeforderte Adresse kann nicht zugewiesen werden.";
        case 10050:
            return "Netzwerk ist heruntergefahren.";
        case 10051:
            return "Netzwerk ist nicht erreichbar.";
        case 10052:
            return "Netz hat die Verbindung verloren oder zurückgesetzt.";
        case 10053:
            return "Software verursachte einen Verbindungsabbruch.";
        case 10054:
            return "Die Verbindung wurde von Peer zurückgesetzt.";
        case 10055:
            return "Kein Pufferplatz verfügbar.";
        case 10056:
            return "Socket ist bereits verbunden.";
        case 10057:
            return "Socket ist nicht verbunden.";
        case 10058:
            return "Nach Schließen des Socket kann weder gesendet noch empfangen werden.";
        case 10059:
            return "Zu viele Referenzen; keine Verbindungen möglich.";
        case 10060:
            return "Zeitüberschreitung bei Verbindung.";
        case 10061:
            return "Verbindung abgelehnt.";
        case 10062:
            return "Zu viele Ebenen symbolischer Verknüpfungen.";
        case 10063:
            return "Dateiname zu lang.";
        case 10064:
            return "Host ist heruntergefahren.";
        case 10065:
            return "Keine Route zum Host.";
        case 10066:
            return "Verzeichnis ist nicht leer";
        case 11001:
            return "Host nicht gefunden.";
        default:
            return {};
    }
}

std::string SocketErrorMessage(int winError) {
    return "Socket-Fehler # " + std::to_string(winError) + SocketErrorText(winError) + "\r\n";
}

void RaiseSocketError(int winError) {
    throw EIdSocketError(winError, SocketErrorMessage(winError));
}

}  // namespace vd::ftp
