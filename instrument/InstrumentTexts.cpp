#include "instrument/InstrumentTexts.h"

#include "common/Text1252.h"

namespace {

struct Nouns {
    const char* Name; // "Oscilloscope"
    const char* The;  // "L'oscilloscope"
};

} // namespace

const char* OfTheInstrument(InstrumentRole role) {
    return role == InstrumentRole::Scope ? "de l'oscilloscope" : "du générateur";
}

std::string InstrumentErrorText(const EInstrumentError& error, const std::string& address,
                                InstrumentRole role) {
    Nouns n = role == InstrumentRole::Scope ? Nouns{"Oscilloscope", "L'oscilloscope"}
                                            : Nouns{"Générateur", "Le générateur"};
    std::string of = OfTheInstrument(role);
    auto text = [](const std::string& utf8) { return Cp1252(utf8); };
    std::string detail = error.what();
    switch (error.Fault) {
    case InstrumentFault::Unreachable:
        return text(std::string(n.Name) + " non joignable : ") + address +
               text(std::string("\rVérifiez le réseau, l'adresse ") + of + " et le pare-feu.");
    case InstrumentFault::Silent:
        return text(std::string(n.The) + " ne répond pas : ") + address +
               Cp1252("\rVérifiez l'adresse, le port et le pare-feu.");
    case InstrumentFault::Reset:
        return text(std::string(n.The) + " a coupé la connexion : ") + address;
    case InstrumentFault::Stalled:
        return text(std::string(n.The) + " s'est arrêté au milieu d'un envoi : ") + address;
    case InstrumentFault::ShortBlock:
        return Cp1252("Données incomplètes : le bloc envoyé est plus court que son en-tête");
    case InstrumentFault::BadBlockHeader:
        return Cp1252("Réponse illisible : en-tête de bloc attendu");
    case InstrumentFault::BlockTooLarge:
        return Cp1252("Bloc refusé : l'oscilloscope annonce ") + detail + Cp1252(" octets");
    case InstrumentFault::BadPreamble: return text("Réglages " + of + " illisibles : ") + detail;
    case InstrumentFault::NoChannelShown: return "Afficher une voie sur l'oscilloscope";
    case InstrumentFault::UnknownInstrument:
        return text(std::string(n.Name) + " non reconnu : ") + detail;
    case InstrumentFault::BadResource: return detail;
    case InstrumentFault::NoVisa: return detail;
    case InstrumentFault::Cancelled: return "";
    }
    return detail;
}
