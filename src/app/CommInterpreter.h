#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <functional>

struct ButtonRecord;

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
    // The codes of a data block's payload, cols groups of rows keys, into record; a code out
    // of range throws ZtError.
    static void decodeHexData(QByteArrayView payload, int cols, int rows, ButtonRecord &record);

    // While set, a data block is acknowledged and handed here instead of to the pages
    // (the compare with the device).
    using BlockCatcher = std::function<void(QByteArrayView payload)>;
    void setBlockCatcher(BlockCatcher catcher) { m_catcher = std::move(catcher); }

private:
    void versionCheck(QByteArrayView payload);
    void dataReceived(QByteArrayView payload);
    void acknowledged(QByteArrayView payload);

    ZtTools &m_zt;
    CommTools &m_comm;
    BlockCatcher m_catcher;
};
