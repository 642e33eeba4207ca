#pragma once
#include <QByteArray>
#include <array>

// The Telnet side of a serial line on a device server (RFC 854 with the COM-PORT-OPTION
// of RFC 2217), without any I/O: bytes from the server go in, the line's data bytes and
// the answers owed to the server come out. Options we use: BINARY, SUPPRESS-GO-AHEAD and
// COM-PORT-OPTION; everything else is refused once.
class TelnetCodec {
public:
    enum : quint8 {
        Se = 240,
        Sb = 250,
        Will = 251,
        Wont = 252,
        Do = 253,
        Dont = 254,
        Iac = 255,
        OptBinary = 0,
        OptSga = 3,
        OptComPort = 44,
    };
    // COM-PORT-OPTION commands as the client sends them; the server answers with +100.
    enum Command : quint8 {
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        NotifyLineState = 6,
        NotifyModemState = 7,
    };
    // SET-CONTROL values.
    enum Control : quint8 {
        FlowNone = 1,
        FlowXonXoff = 2,
        FlowHardware = 3,
        DtrOn = 8,
        DtrOff = 9,
        RtsOn = 11,
        RtsOff = 12,
    };

    // The offers a client opens with.
    QByteArray start();
    // Data for the line: 0xFF doubled.
    static QByteArray encode(const QByteArray &data);
    // One COM-PORT-OPTION subnegotiation; a value byte 0xFF is doubled.
    static QByteArray command(Command cmd, const QByteArray &value);
    static QByteArray setBaudRate(quint32 baud);
    static QByteArray setByte(Command cmd, quint8 value)
    {
        return command(cmd, QByteArray(1, char(value)));
    }

    // Takes bytes from the server; sequences may be split anywhere.
    void feed(const QByteArray &bytes);
    QByteArray takeData();
    QByteArray takeReplies();

    // The server agreed to COM-PORT-OPTION (DO) or refused it (DONT/WONT).
    bool comPortAgreed() const { return m_localOn[OptComPort]; }
    bool comPortRefused() const { return m_comPortRefused; }
    // How many answers to our settings the server has sent (SET-* with +100).
    int settingsAnswered() const { return m_settingsAnswered; }
    quint32 baudAnswered() const { return m_baudAnswered; }
    quint8 lineState() const { return m_lineState; }
    quint8 modemState() const { return m_modemState; }

    // Longest subnegotiation kept; the rest of a longer one is dropped.
    static constexpr int MaxSubnegotiation = 64;
    // Answers to option requests beyond this are not sent: a server that keeps
    // renegotiating cannot make us write without end.
    static constexpr int MaxAnswers = 1024;

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    void option(quint8 verb, quint8 opt);
    void subnegotiation();
    void answer(quint8 verb, quint8 opt);
    static bool wantLocal(quint8 opt);
    static bool wantRemote(quint8 opt);

    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
    bool m_subOverflow = false;
    QByteArray m_data;
    QByteArray m_replies;
    int m_answers = 0;
    std::array<bool, 256> m_localOn{};      // we do the option
    std::array<bool, 256> m_remoteOn{};     // the server does it
    std::array<bool, 256> m_localAsked{};   // we sent WILL, no answer yet
    std::array<bool, 256> m_remoteAsked{};  // we sent DO, no answer yet
    std::array<bool, 256> m_refusedLocal{}; // refused once already
    std::array<bool, 256> m_refusedRemote{};
    bool m_comPortRefused = false;
    int m_settingsAnswered = 0;
    quint32 m_baudAnswered = 0;
    quint8 m_lineState = 0;
    quint8 m_modemState = 0;
};
