// The resource texts vexor.ini keeps: what each opens, and the words for those it cannot.
#include <gtest/gtest.h>

#include "common/Text1252.h"
#include "instrument/Resource.h"
#include "instrument/ScpiSession.h"

TEST(Resource, EachTextOpensItsInstrumentOrSaysWhyNot) {
    const struct {
        const char* Text;
        ResourceKind Kind;
        const char* Address; // or the start of the reason
        bool Refused;
    } kCases[] = {
        {"", ResourceKind::Serial, "", false},
        {"TCPIP0::192.168.1.20::5555::SOCKET", ResourceKind::Socket, "192.168.1.20:5555", false},
        {"tcpip::scope-3.lab::SOCKET", ResourceKind::Socket, "scope-3.lab", false},
        {"TCPIP0::192.168.1.20::inst0::INSTR", ResourceKind::Visa,
         "TCPIP0::192.168.1.20::inst0::INSTR", false},
        {"TCPIP0::192.168.1.20::hislip0::INSTR", ResourceKind::Visa,
         "TCPIP0::192.168.1.20::hislip0::INSTR", false},
        {"USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR", ResourceKind::Visa,
         "USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR", false},
        {"TCPIP0::[fe80::1]::5025::SOCKET", ResourceKind::Serial,
         "Adresse IPv6 non prise en charge", true},
        {"TCPIP0::192.168.1.20::99999::SOCKET", ResourceKind::Serial,
         "Port non valide (de 1 à 65535) : 99999", true},
        {"TCPIP0::192.168.1.20::0::SOCKET", ResourceKind::Serial, "Port non valide", true},
        {"TCPIP0::bad host::5025::SOCKET", ResourceKind::Serial,
         "Adresse de l'oscilloscope non valide : bad host", true},
        {"TCPIP0::::5025::SOCKET", ResourceKind::Serial, "Adresse de l'oscilloscope vide", true},
        {"COM3", ResourceKind::Serial, "Ressource non reconnue : COM3", true},
        {"ASRL3::INSTR", ResourceKind::SerialLine, "COM3", false},
        {"asrl12::INSTR", ResourceKind::SerialLine, "COM12", false},
        {"ASRL0::INSTR", ResourceKind::Serial, "Port série non valide (COM1 à COM255)", true},
        {"ASRL::INSTR", ResourceKind::Serial, "Ressource non reconnue", true},
        {"ASRL3::5::INSTR", ResourceKind::Serial, "Ressource non reconnue", true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Text);
        try {
            InstrumentResource resource = ParseResource(c.Text);
            EXPECT_FALSE(c.Refused);
            EXPECT_EQ(resource.Kind, c.Kind);
            EXPECT_EQ(resource.Address(), c.Address);
            EXPECT_EQ(resource.Text, c.Text);
        } catch (const EInstrumentError& error) {
            EXPECT_TRUE(c.Refused);
            EXPECT_EQ(error.Fault, InstrumentFault::BadResource);
            EXPECT_EQ(std::string(error.what()).rfind(Cp1252(c.Address), 0), 0u) << error.what();
        }
    }
    try {
        ParseResource("TCPIP0::bad host::SOCKET", InstrumentRole::Generator);
        ADD_FAILURE() << "a bad generator's address taken";
    } catch (const EInstrumentError& error) {
        EXPECT_STREQ(error.what(), Cp1252("Adresse du générateur non valide : bad host").c_str());
    }
    EXPECT_EQ(SocketResource("192.168.1.20", "").Text, "TCPIP0::192.168.1.20::SOCKET");
    EXPECT_EQ(SocketResource("scope", "5025").Port, 5025);
    for (const char* pasted : {"5555 ", "5025a", "+5025"})
        EXPECT_THROW(SocketResource("scope", pasted), EInstrumentError) << pasted;
}
