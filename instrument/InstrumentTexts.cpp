#include "instrument/InstrumentTexts.h"

#include "common/Text1252.h"

std::string InstrumentErrorText(const EInstrumentError& error, const std::string& address) {
    std::string detail = error.what();
    switch (error.Fault) {
    case InstrumentFault::Unreachable:
        return Cp1252("Oscilloscope non joignable : ") + address +
               Cp1252("\rVérifiez le réseau, l'adresse de l'oscilloscope et le pare-feu.");
    case InstrumentFault::Silent:
        return Cp1252("L'oscilloscope ne répond pas : ") + address +
               Cp1252("\rVérifiez l'adresse, le port et le pare-feu.");
    case InstrumentFault::Reset: return Cp1252("L'oscilloscope a coupé la connexion : ") + address;
    case InstrumentFault::Stalled:
        return Cp1252("L'oscilloscope s'est arrêté au milieu d'un envoi : ") + address;
    case InstrumentFault::ShortBlock:
        return Cp1252("Données incomplètes : le bloc envoyé est plus court que son en-tête");
    case InstrumentFault::BadBlockHeader:
        return Cp1252("Réponse illisible : en-tête de bloc attendu");
    case InstrumentFault::BlockTooLarge:
        return Cp1252("Bloc refusé : l'oscilloscope annonce ") + detail + Cp1252(" octets");
    case InstrumentFault::BadPreamble:
        return Cp1252("Réglages de l'oscilloscope illisibles : ") + detail;
    case InstrumentFault::NoChannelShown: return "Afficher CH1 ou CH2 sur l'oscilloscope";
    case InstrumentFault::UnknownInstrument: return "Oscilloscope non reconnu : " + detail;
    case InstrumentFault::BadResource: return detail;
    case InstrumentFault::NoVisa: return detail;
    case InstrumentFault::Cancelled: return "";
    }
    return detail;
}
