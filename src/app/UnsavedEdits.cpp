#include "app/UnsavedEdits.h"

namespace {
// A field never filled (code 0) and one of blanks both say "no version".
QString acuText(const FixedText<4> &acu)
{
    QString text = acu.text();
    text.remove(QChar(0));
    return text.trimmed();
}
} // namespace

UnsavedEdits::Parts UnsavedEdits::compare(const DataSet &data) const
{
    Parts parts;
    if (m_fileCodes && data.DataRecord.Buttons != *m_fileCodes)
        parts |= Codes;
    if (acuText(data.ACUVersion) != acuText(m_deviceAcu) || data.CanBusAddr != m_deviceCanBus)
        parts |= System;
    return parts;
}

UnsavedEdits::Parts UnsavedEdits::update(const DataSet &data)
{
    const Parts now = compare(data);
    if (now != m_parts) {
        m_parts = now;
        Q_EMIT changed(now);
    }
    return now;
}
