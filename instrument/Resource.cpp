#include "instrument/Resource.h"

#include <cctype>
#include <vector>

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/ScpiSession.h"

namespace {

// "TCPIP", "TCPIP0", "USB3": the interface's name and a board number.
bool IsInterface(const std::string& part, const std::string& name) {
    std::string upper = UpperCase(part);
    if (upper.rfind(name, 0) != 0) return false;
    for (std::size_t i = name.size(); i < upper.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(upper[i]))) return false;
    return true;
}

// `words` in UTF-8, then `what` as it was given (1252).
EInstrumentError Refused(const std::string& words, const std::string& what = "") {
    return EInstrumentError(InstrumentFault::BadResource, Cp1252(words) + what);
}

void CheckHost(const std::string& host, InstrumentRole role) {
    std::string of = OfTheInstrument(role);
    if (host.empty()) throw Refused("Adresse " + of + " vide");
    if (host.front() == '[' || host.find(':') != std::string::npos)
        throw Refused("Adresse IPv6 non prise en charge : donnez l'adresse IPv4 " + of +
                      " ou son nom");
    for (char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            throw Refused("Adresse " + of + " non valide : ", host);
}

int PortOf(const std::string& text) {
    if (text.empty() || text.size() > 5) return -1;
    int port = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535 ? port : -1;
}

} // namespace

std::string InstrumentResource::Address() const {
    if (Kind == ResourceKind::SerialLine) return "COM" + std::to_string(Port);
    if (Kind != ResourceKind::Socket) return Text;
    return Port == 0 ? Host : Host + ":" + std::to_string(Port);
}

InstrumentResource ParseResource(const std::string& text, InstrumentRole role) {
    InstrumentResource resource;
    resource.Text = text;
    if (text.empty()) return resource;
    // "TCPIP0::[fe80::1]::5025::SOCKET": refused before its colons split it.
    if (text.find('[') != std::string::npos) CheckHost("[", role);
    std::vector<std::string> parts = Split(text, "::");
    std::string last = UpperCase(parts.back());
    if (IsInterface(parts[0], "TCPIP") && last == "SOCKET" &&
        (parts.size() == 3 || parts.size() == 4)) {
        resource.Kind = ResourceKind::Socket;
        resource.Host = parts[1];
        CheckHost(resource.Host, role);
        if (parts.size() == 4 && (resource.Port = PortOf(parts[2])) < 0)
            throw Refused("Port non valide (de 1 à 65535) : ", parts[2]);
        return resource;
    }
    if ((IsInterface(parts[0], "TCPIP") || IsInterface(parts[0], "USB")) && last == "INSTR" &&
        parts.size() >= 3) {
        if (IsInterface(parts[0], "TCPIP")) CheckHost(parts[1], role);
        resource.Kind = ResourceKind::Visa;
        return resource;
    }
    if (IsInterface(parts[0], "ASRL") && parts[0].size() > 4 && last == "INSTR" &&
        parts.size() == 2) {
        resource.Kind = ResourceKind::SerialLine;
        resource.Port = PortOf(parts[0].substr(4));
        if (resource.Port < 1 || resource.Port > 255)
            throw Refused("Port série non valide (COM1 à COM255) : ", text);
        return resource;
    }
    throw Refused("Ressource non reconnue : ", text);
}

InstrumentResource SocketResource(const std::string& host, const std::string& port) {
    std::string text = "TCPIP0::" + host + "::";
    if (!port.empty()) text += port + "::";
    return ParseResource(text + "SOCKET");
}
