#pragma once
#include <QByteArray>
#include <QByteArrayView>

class CommTools;
class ZtTools;

// Reactions to the frames the device sends: answers, received data, status texts, the
// ACU version, the version check and acknowledgements.
class CommInterpreter {
public:
    // Registers itself as the collector's receiver of complete frames.
    CommInterpreter(ZtTools &zt, CommTools &comm);

    void Comm_InterpretCommand(const QByteArray &code, const QByteArray &frame);
    void BuildVersionInfo(QByteArray &frame);
    void Interpret_VersionInfo(QByteArrayView payload);
    void Interpret_HexData(QByteArrayView payload);

private:
    void versionCheck(QByteArrayView payload);
    void dataReceived(QByteArrayView payload);
    void acknowledged(QByteArrayView payload);

    ZtTools &m_zt;
    CommTools &m_comm;
};
