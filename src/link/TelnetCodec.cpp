#include "link/TelnetCodec.h"

namespace {

QByteArray triple(quint8 verb, quint8 opt)
{
    QByteArray b(3, char(TelnetCodec::Iac));
    b[1] = char(verb);
    b[2] = char(opt);
    return b;
}

} // namespace

QByteArray TelnetCodec::start()
{
    QByteArray out;
    for (const quint8 opt : {quint8(OptComPort), quint8(OptBinary), quint8(OptSga)}) {
        m_localAsked[opt] = true;
        out += triple(Will, opt);
    }
    for (const quint8 opt : {quint8(OptBinary), quint8(OptSga)}) {
        m_remoteAsked[opt] = true;
        out += triple(Do, opt);
    }
    return out;
}

QByteArray TelnetCodec::encode(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size());
    for (const char c : data) {
        out += c;
        if (quint8(c) == Iac)
            out += c;
    }
    return out;
}

QByteArray TelnetCodec::command(Command cmd, const QByteArray &value)
{
    QByteArray out = triple(Sb, OptComPort);
    out += char(cmd);
    out += encode(value);
    out += char(Iac);
    out += char(Se);
    return out;
}

QByteArray TelnetCodec::setBaudRate(quint32 baud)
{
    QByteArray v(4, 0);
    for (int i = 0; i < 4; ++i)
        v[i] = char(baud >> (24 - 8 * i));
    return command(SetBaudRate, v);
}

bool TelnetCodec::wantLocal(quint8 opt)
{
    return opt == OptComPort || opt == OptBinary || opt == OptSga;
}

bool TelnetCodec::wantRemote(quint8 opt)
{
    return opt == OptBinary || opt == OptSga;
}

void TelnetCodec::answer(quint8 verb, quint8 opt)
{
    if (m_answers >= MaxAnswers)
        return;
    ++m_answers;
    m_replies += triple(verb, opt);
}

// Answers as RFC 854 asks, so that no loop can start: a request that changes nothing
// is not answered, and an option we do not use is refused once.
void TelnetCodec::option(quint8 verb, quint8 opt)
{
    switch (verb) {
    case Do:
        if (!wantLocal(opt)) {
            if (!m_refusedLocal[opt])
                answer(Wont, opt);
            m_refusedLocal[opt] = true;
        } else if (!m_localOn[opt]) {
            if (!m_localAsked[opt])
                answer(Will, opt);
            m_localOn[opt] = true;
        }
        m_localAsked[opt] = false;
        break;
    case Dont:
        if (m_localOn[opt])
            answer(Wont, opt);
        if (opt == OptComPort && (m_localOn[opt] || m_localAsked[opt]))
            m_comPortRefused = true;
        m_localOn[opt] = false;
        m_localAsked[opt] = false;
        break;
    case Will:
        if (!wantRemote(opt)) {
            if (!m_refusedRemote[opt])
                answer(Dont, opt);
            m_refusedRemote[opt] = true;
        } else if (!m_remoteOn[opt]) {
            if (!m_remoteAsked[opt])
                answer(Do, opt);
            m_remoteOn[opt] = true;
        }
        m_remoteAsked[opt] = false;
        break;
    case Wont:
        if (m_remoteOn[opt])
            answer(Dont, opt);
        m_remoteOn[opt] = false;
        m_remoteAsked[opt] = false;
        break;
    default:
        break;
    }
}

void TelnetCodec::subnegotiation()
{
    if (m_subOverflow || m_sub.size() < 2 || quint8(m_sub[0]) != OptComPort)
        return;
    const int cmd = quint8(m_sub[1]) - 100;
    const QByteArray value = m_sub.mid(2);
    switch (cmd) {
    case SetBaudRate:
        if (value.size() == 4) {
            m_baudAnswered = 0;
            for (const char c : value)
                m_baudAnswered = (m_baudAnswered << 8) | quint8(c);
        }
        ++m_settingsAnswered;
        break;
    case SetDataSize:
    case SetParity:
    case SetStopSize:
    case SetControl:
        ++m_settingsAnswered;
        break;
    case NotifyLineState:
        if (value.size() == 1)
            m_lineState = quint8(value[0]);
        break;
    case NotifyModemState:
        if (value.size() == 1)
            m_modemState = quint8(value[0]);
        break;
    default: // flow suspend/resume, masks, purge, signature: nothing to do
        break;
    }
}

void TelnetCodec::feed(const QByteArray &bytes)
{
    for (const char ch : bytes) {
        const quint8 c = quint8(ch);
        switch (m_state) {
        case State::Data:
            if (c == Iac)
                m_state = State::Iac;
            else
                m_data += ch;
            break;
        case State::Iac:
            if (c == Iac) {
                m_data += ch;
                m_state = State::Data;
            } else if (c >= Will && c <= Dont) {
                m_verb = c;
                m_state = State::Option;
            } else if (c == Sb) {
                m_sub.clear();
                m_subOverflow = false;
                m_state = State::Sub;
            } else {
                m_state = State::Data; // NOP, GA, AYT ...: nothing owed
            }
            break;
        case State::Option:
            option(m_verb, c);
            m_state = State::Data;
            break;
        case State::Sub:
            if (c == Iac)
                m_state = State::SubIac;
            else if (m_sub.size() < MaxSubnegotiation)
                m_sub += ch;
            else
                m_subOverflow = true;
            break;
        case State::SubIac:
            if (c == Se) {
                subnegotiation();
                m_state = State::Data;
            } else {
                // A doubled 0xFF is a value byte; anything else ends a broken one.
                if (c == Iac && m_sub.size() < MaxSubnegotiation)
                    m_sub += ch;
                else if (c == Iac)
                    m_subOverflow = true;
                m_state = c == Iac ? State::Sub : State::Data;
            }
            break;
        }
    }
}

QByteArray TelnetCodec::takeData()
{
    return std::exchange(m_data, QByteArray());
}

QByteArray TelnetCodec::takeReplies()
{
    return std::exchange(m_replies, QByteArray());
}
