#pragma once

// Window tests run under a font configuration of one family (see
// tests/CMakeLists.txt). A machine without that family would quietly fall
// back to another and test nothing the set promises.

#include <QFont>
#include <QFontInfo>
#include <QtTest>

inline void VerifyPinnedFonts()
{
    const QString expected = qEnvironmentVariable("FROBNIK_TEST_FONT_FAMILY");
    if (expected.isEmpty())
        QSKIP("no pinned font set (run through ctest)");
    for (const char *asked : {"Verdana", "Arial"}) {
        const QString family = QFontInfo(QFont(QLatin1String(asked))).family();
        QVERIFY2(family == expected,
                 qPrintable(QStringLiteral("%1 comes out as %2, not %3; scripts/setup.sh installs "
                                           "the fonts")
                                .arg(QLatin1String(asked), family, expected)));
    }
}
