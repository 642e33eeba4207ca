#pragma once
#include <QPageSize>
#include <QString>

class Messages;
class QPagedPaintDevice;
class QPrinter;
class QWidget;
class ZtTools;
struct KeySheet;

// The key sheet on paper or as PDF: black text and rules on white, so it copies and faxes,
// on whatever page the device has, as many pages as the keys need.
class KeySheetPrinter {
public:
    KeySheetPrinter(ZtTools &zt, QWidget *dialogParent);

    // Paints sheet on device page by page; the number of pages, 0 when the device cannot
    // be painted on.
    static int paint(const KeySheet &sheet, Messages &msg, QPagedPaintDevice &device);
    // Letter where the system's measures are American, A4 everywhere else.
    static QPageSize::PageSizeId localPageSize();

    // The pages' configuration as PDF at path; the outcome in the status line and log, a
    // failure also in a box. An existing file stays whole when writing fails.
    bool writePdf(const QString &path, QPageSize::PageSizeId size);
    // Prints on printer; a printer that fails gets a box and changes nothing else.
    bool print(QPrinter &printer);

    // The toolbar's commands: the print dialog, or the save dialog of a PDF.
    void printWithDialog();
    void savePdf();

private:
    ZtTools &m_zt;
    QWidget *m_dialogParent;
};
