#include "store/Like.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

using store::likeMatch;
using store::likeMatchUtf8;
using store::likeCaseVariants;

namespace {

bool utf8Match(const QString& pattern, const QString& text)
{
    const QByteArray p = pattern.toUtf8();
    const QByteArray t = text.toUtf8();
    return likeMatchUtf8(p.constData(), int(p.size()), t.constData(), int(t.size()));
}

} // namespace

class TestLike : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");

        auto row = [](const char* name, const char* p, const char* t, bool e) {
            QTest::newRow(name) << QString::fromUtf8(p) << QString::fromUtf8(t) << e;
        };
        row("empty-empty", "", "", true);
        row("empty-text", "", "a", false);
        row("star-empty", "*", "", true);
        row("star-middle", "a*f", "abcdef", true);
        row("star-needs-backtrack", "*ab*abc", "abababcab abc", true);
        row("one-not-zero", "a?c", "ac", false);
        row("one-accented", "p?l", "pál", true);
        row("one-surrogate-pair", "?", "𝔸", true);
        row("hungarian-lower-upper", "árvíztűrő tükörfúrógép", "ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP", true);
        row("hungarian-wild", "*TŰRŐ*gép", "árvíztűrő tükörfúrógép", true);
        row("no-accent-stripping", "o", "ő", false);
        row("folding-not-lowering", "ΟΔΟΣ", "οδος", true);
        row("sharp-s-not-ss", "ß", "ss", false);
        row("underscore-not-one", "a_b", "axb", false);
        row("percent-not-run", "100%", "1000", false);
        row("bracket-literal", "[ab]", "[AB]", true);
        row("hash-not-digit", "#", "1", false);
        row("backslash-not-escape", "\\*", "\\xyz", true);
    }

    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(likeMatch(pattern, text), expected);
        QCOMPARE(utf8Match(pattern, text), expected);
    }

    void utf8HandlesNullAndLengths()
    {
        QVERIFY(likeMatchUtf8(nullptr, 0, nullptr, 0));
        QVERIFY(!likeMatchUtf8(nullptr, 0, "a", 1));
        QVERIFY(likeMatchUtf8("*", 1, nullptr, 0));
        // Buffers are not NUL-terminated: only the given lengths count.
        QVERIFY(likeMatchUtf8("abcX", 3, "ABCY", 3));
        QVERIFY(!likeMatchUtf8("abc", 3, "abcd", 4));
        // Invalid UTF-8 is one replacement character, not a crash.
        QVERIFY(likeMatchUtf8("?", 1, "\xff", 1));
        QVERIFY(likeMatchUtf8("a*", 2, "A\xc3", 2));
    }

    void pathologicalPatternFinishes()
    {
        const QString pattern = u"*a*a*a*a*a*a*a*a*a*a*a*b"_s;
        const QString ascii(200000, u'a');
        const QString accented = u"á"_s + ascii;

        // Exponential backtracking would never get through these.
        QVERIFY(!likeMatch(pattern, ascii));
        QVERIFY(!utf8Match(pattern, ascii));
        QVERIFY(!utf8Match(pattern, accented));
        QVERIFY(utf8Match(pattern, ascii + u'b'));
    }

    // The variants are exactly the code points the match takes for a letter,
    // on either of its paths (ASCII bytes or folded code points).
    void caseVariantsAreWhatMatches()
    {
        for (const char32_t c : {U'a', U'K', U's', U'é', U'Ő', U'\u00DF', U'\u01C5', U'\u03A3',
                                 U'i', U'\U00010400', U'-', U' '}) {
            const QList<char32_t> variants = likeCaseVariants(c);
            QVERIFY(variants.contains(c));
            QVERIFY(std::is_sorted(variants.begin(), variants.end()));
            const QByteArray letter = QString::fromUcs4(&c, 1).toUtf8();
            QList<char32_t> matching;
            for (char32_t x = 0; x < 0x20000; ++x) {
                if (x >= 0xD800 && x < 0xE000)
                    continue;
                const QByteArray other = QString::fromUcs4(&x, 1).toUtf8();
                if (likeMatchUtf8(letter.constData(), int(letter.size()), other.constData(),
                                  int(other.size())))
                    matching << x;
            }
            QCOMPARE(variants, matching);
        }
        QCOMPARE(likeCaseVariants(U'k'), (QList<char32_t>{U'K', U'k', U'\u212A'}));
    }
};

QTEST_APPLESS_MAIN(TestLike)
#include "test_like.moc"
