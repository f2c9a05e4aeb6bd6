#include "core/Win1252.h"

namespace {

// 0x80-0x9F; 0 marks the five positions the code page leaves undefined,
// which are passed through as the C1 control of the same value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QString fromWin1252(const char *data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        char16_t code = byte;
        if (byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] != 0)
            code = kHigh[byte - 0x80];
        out[i] = QChar(code);
    }
    return text;
}

QByteArray toWin1252(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t code = text[i].unicode();
        unsigned char byte = '?';
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            byte = static_cast<unsigned char>(code);
        } else {
            for (int k = 0; k < 32; ++k) {
                const char16_t mapped = kHigh[k] ? kHigh[k] : char16_t(0x80 + k);
                if (mapped == code) {
                    byte = static_cast<unsigned char>(0x80 + k);
                    break;
                }
            }
        }
        out[i] = static_cast<char>(byte);
    }
    return bytes;
}

qsizetype firstNotStorable(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t code = text[i].unicode();
        if (code == u'\t' || code == u'\n' || code == u'\r')
            continue;
        if (code < 0x20 || code == 0x7F)
            return i;
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
            continue;
        bool mapped = false;
        for (int k = 0; k < 32 && !mapped; ++k)
            mapped = kHigh[k] != 0 && kHigh[k] == code;
        if (!mapped)
            return i;
    }
    return -1;
}
