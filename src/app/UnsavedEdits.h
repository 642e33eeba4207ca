#pragma once
#include <QObject>
#include <optional>

#include "data/DataSet.h"

// What the operator has edited and not yet kept anywhere: the codes, against the data
// file last loaded or saved, and the ACU version and CAN bus address, against what was
// last sent to or received from the device. Both come from comparing the values now with
// those reference images, so an edit taken back is no edit.
class UnsavedEdits : public QObject {
    Q_OBJECT
public:
    enum Part { Nothing = 0, Codes = 1, System = 2 };
    Q_DECLARE_FLAGS(Parts, Part)
    using ButtonCodes = decltype(ButtonRecord::Buttons);

    // The data file now holds these codes (loaded or saved; a cleared DataSet counts as an
    // empty file). Until the first of these, the codes count as kept.
    void setFileImage(const ButtonCodes &codes) { m_fileCodes = codes; }
    // The device now holds this ACU version or CAN bus address (sent or received).
    void setDeviceAcuVersion(const FixedText<4> &acu) { m_deviceAcu = acu; }
    void setDeviceCanBusAddr(qint16 address) { m_deviceCanBus = address; }

    bool hasFileImage() const { return m_fileCodes.has_value(); }
    // The parts of data that differ from their images.
    Parts compare(const DataSet &data) const;
    // The same, kept; changed() tells when it differs from the last result.
    Parts update(const DataSet &data);
    Parts parts() const { return m_parts; }

Q_SIGNALS:
    void changed(UnsavedEdits::Parts parts);

private:
    std::optional<ButtonCodes> m_fileCodes;
    FixedText<4> m_deviceAcu;
    qint16 m_deviceCanBus = 0;
    Parts m_parts;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UnsavedEdits::Parts)
