#include "store/Like.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using store::likeMatch;
using store::likeMatchUtf8;

namespace {

bool utf8Match(const QString& pattern, const QString& text)
{
    const QByteArray p = pattern.toUtf8();
    const QByteArray t = text.toUtf8();
    return likeMatchUtf8(p.constData(), int(p.size()), t.constData(), int(t.size()));
}

// Independent of the matcher: literals escaped, '*' and '?' as regex wildcards.
bool referenceMatch(const QString& pattern, const QString& text)
{
    QString rx;
    for (const char32_t c : pattern.toUcs4()) {
        if (c == U'*')
            rx += QStringLiteral(".*");
        else if (c == U'?')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString::fromUcs4(&c, 1));
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(rx),
                                QRegularExpression::CaseInsensitiveOption |
                                    QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
}

} // namespace

class TestLike : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void utf8HandlesNullAndLengths();
    void pathologicalPatternFinishes();
    void agreesWithReference();
};

void TestLike::matches_data()
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
    row("star-middle-miss", "a*e", "abcdef", false);
    row("star-needs-backtrack", "*ab*abc", "abababcab abc", true);
    row("one-one", "?", "a", true);
    row("one-middle", "a?c", "abc", true);
    row("one-not-zero", "a?c", "ac", false);
    row("one-accented", "p?l", "pál", true);
    row("one-surrogate-pair", "?", "𝔸", true);
    row("two-surrogate-pair", "??", "𝔸", false);
    row("one-after-pair", "𝔸?", "𝔸ő", true);
    row("hungarian-lower-upper", "árvíztűrő tükörfúrógép", "ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP", true);
    row("hungarian-wild", "*TŰRŐ*gép", "árvíztűrő tükörfúrógép", true);
    row("no-accent-stripping", "o", "ő", false);
    row("ascii-case", "HeLLo aZz", "hEllO AzZ", true);
    row("folding-not-lowering", "ΟΔΟΣ", "οδος", true);
    row("sharp-s-not-ss", "ß", "ss", false);
    row("underscore-literal", "a_b", "a_b", true);
    row("underscore-not-one", "a_b", "axb", false);
    row("percent-literal", "100%", "100%", true);
    row("percent-not-run", "100%", "1000", false);
    row("bracket-literal", "[ab]", "[AB]", true);
    row("hash-not-digit", "#", "1", false);
    row("backslash-not-escape", "\\*", "\\xyz", true);
}

void TestLike::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(likeMatch(pattern, text), expected);
    QCOMPARE(utf8Match(pattern, text), expected);
}

void TestLike::utf8HandlesNullAndLengths()
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

void TestLike::pathologicalPatternFinishes()
{
    const QString pattern = QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*b");
    const QString ascii(200000, u'a');
    const QString accented = QStringLiteral("á") + ascii;

    // Exponential backtracking would never get through these.
    QVERIFY(!likeMatch(pattern, ascii));
    QVERIFY(!utf8Match(pattern, ascii));
    QVERIFY(!utf8Match(pattern, accented));
    QVERIFY(utf8Match(pattern, ascii + u'b'));
}

void TestLike::agreesWithReference()
{
    // The ASCII letters come first so a prefix of the list exercises the fast path.
    const QStringList alphabet = QString::fromUtf8("a A b % _ . * ? á Á ő Ő 𝔸").split(u' ');
    const int asciiLetters = 8;
    QRandomGenerator rng(20240611);

    auto pick = [&](int letters) { return alphabet.at(rng.bounded(letters)); };
    // Derived from the text so that a fair share of cases match.
    auto patternFor = [&](const QStringList& text, int letters) {
        QString p;
        for (const QString& c : text) {
            switch (rng.bounded(8)) {
            case 0:
                p += c.toUpper();
                break;
            case 1:
                p += c.toLower();
                break;
            case 2:
                p += u'?';
                break;
            case 3:
                p += u'*';
                break;
            case 4:
                p += pick(letters);
                break;
            case 5:
                break;
            default:
                p += c;
                break;
            }
        }
        return p;
    };

    int matched = 0;
    const int cases = 6000;
    for (int i = 0; i < cases; ++i) {
        const int letters = i % 2 ? asciiLetters : int(alphabet.size());
        QStringList textChars;
        for (int n = rng.bounded(9); n > 0; --n)
            textChars << pick(letters);
        const QString text = textChars.join(QString());
        QString pattern;
        if (i % 3 == 0) {
            for (int n = rng.bounded(7); n > 0; --n)
                pattern += pick(letters);
        } else {
            pattern = patternFor(textChars, letters);
        }

        const bool expected = referenceMatch(pattern, text);
        matched += expected;
        const QByteArray what = (pattern + QStringLiteral(" / ") + text).toUtf8();
        QVERIFY2(likeMatch(pattern, text) == expected, what.constData());
        QVERIFY2(utf8Match(pattern, text) == expected, what.constData());
    }
    // Both outcomes must be well represented for the comparison to mean anything.
    QVERIFY2(matched > cases / 5 && matched < cases * 4 / 5, qPrintable(QString::number(matched)));
}

QTEST_APPLESS_MAIN(TestLike)
#include "test_like.moc"
