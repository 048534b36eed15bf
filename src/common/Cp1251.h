#pragma once
// Windows-1251 (Windows Cyrillic) text, the code page of the reader and of the tables.
// A table of our own: the result must not depend on which converters the Qt build carries.
#include <QByteArray>
#include <QString>

namespace tk {

QString fromCp1251(const char* data, int size);
inline QString fromCp1251(const QByteArray& bytes) { return fromCp1251(bytes.constData(), int(bytes.size())); }

// Characters without a Windows-1251 code are reported through *unmappable (when given) and
// written as '?'; callers that must not lose text check it.
QByteArray toCp1251(const QString& text, bool* unmappable = nullptr);

// The Windows-1251 byte of one character, or -1 when it has none.
int cp1251Code(QChar c);

} // namespace tk
