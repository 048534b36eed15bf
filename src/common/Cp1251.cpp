#include "common/Cp1251.h"

#include "common/CodePoints.h"

namespace tk {

QString fromCp1251(const char* data, int size)
{
    QString out;
    out.resize(size);
    QChar* dst = out.data();
    for (int i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = QChar(char16_t(codepoints::fromCp1251(b)));
    }
    return out;
}

int cp1251Code(QChar c) { return codepoints::toCp1251(c.unicode()); }

QByteArray toCp1251(const QString& text, bool* unmappable)
{
    QByteArray out;
    out.reserve(text.size());
    bool lost = false;
    for (QChar c : text) {
        const int code = cp1251Code(c);
        if (code < 0) {
            lost = true;
            out.append('?');
        } else {
            out.append(static_cast<char>(code));
        }
    }
    if (unmappable)
        *unmappable = lost;
    return out;
}

} // namespace tk
