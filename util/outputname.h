#pragma once

#include <QString>

// Where a capture's document goes when no file is named: its name with
// `extension` (".pdf"), in `folder`, or in the capture's own folder when
// `folder` is empty. A name that is all extension ("".csv") becomes "timing".
QString outputNameFor(const QString& capturepath, const QString& extension,
                      const QString& folder = QString());
