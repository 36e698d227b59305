#pragma once

#include "support/TextUtils.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property is a finding like a crash: name it and abort, so that
// libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #cond, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

inline QByteArray FuzzBytes(const uint8_t *_data, size_t _size)
{
    return QByteArray(reinterpret_cast<const char *>(_data), qsizetype(_size));
}

// The input as the program reads outside text: UTF-8, else Latin-1.
inline QString FuzzText(const uint8_t *_data, size_t _size)
{
    return DecodeLocalText(FuzzBytes(_data, _size));
}

// The text cut at line feeds into exactly _count fields; the last field keeps
// the rest (line feeds included), missing fields are empty.
inline QStringList FuzzFields(const QString &_text, int _count)
{
    QStringList fields;
    qsizetype from = 0;
    for (int i = 0; i + 1 < _count; ++i) {
        const qsizetype lf = _text.indexOf(u'\n', from);
        if (lf < 0) {
            fields.append(_text.mid(from));
            from = _text.size();
            continue;
        }
        fields.append(_text.mid(from, lf - from));
        from = lf + 1;
    }
    fields.append(_text.mid(from));
    return fields;
}

inline bool IsBlankOrControl(QChar _c)
{
    return _c.unicode() <= 0x20;
}
