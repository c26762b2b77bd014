#pragma once

#include <QString>

class QWidget;

// The PDF file proposed for a capture: its name with ".pdf", in its folder.
QString proposedPdfPath(const QString& capturepath);

// Asks where to save the PDF, as a PDF printer driver does, proposing
// `proposal` and asking before an existing file is replaced. "" on Cancel.
QString askSavePdf(QWidget* parent, const QString& proposal);
