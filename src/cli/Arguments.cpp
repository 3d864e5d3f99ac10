#include "Arguments.h"

namespace cli {

namespace {

enum class Takes
{
    Nothing,
    Value,
};

struct Known
{
    const char* name;
    Takes takes;
};

constexpr Known kOptions[] = {
    {"--ut", Takes::Value},        {"--katalogus", Takes::Value}, {"--kulcs", Takes::Value},
    {"--utkulcs", Takes::Value},   {"--lemez", Takes::Value},     {"--min-hossz", Takes::Value},
    {"--max-hossz", Takes::Value}, {"--datumtol", Takes::Value},  {"--datumig", Takes::Value},
    {"--mappak", Takes::Nothing},  {"--csv", Takes::Nothing},     {"--json", Takes::Nothing},
    {"--darab", Takes::Nothing},   {"--count", Takes::Nothing},   {"--help", Takes::Nothing},
    {"-h", Takes::Nothing},        {"--version", Takes::Nothing},
};

const Known* known(const QString& name)
{
    for (const Known& k : kOptions)
        if (name == QLatin1String(k.name))
            return &k;
    return nullptr;
}

std::optional<qint64> length(const QString& text)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < 0 || text.startsWith(u'+'))
        return std::nullopt;
    return n;
}

std::optional<QDate> date(const QString& text)
{
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (text.size() != 10 || !d.isValid())
        return std::nullopt;
    return d;
}

} // namespace

Parsed parseArguments(const QStringList& arguments)
{
    Parsed p;
    Options& o = p.options;
    bool positional = false;
    bool optionsEnd = false;
    std::optional<Format> format;
    const auto fail = [&p](const QString& text) {
        if (p.error.isEmpty())
            p.error = text;
    };

    for (qsizetype i = 0; i < arguments.size() && p.error.isEmpty(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnd || !arg.startsWith(u'-') || arg == QLatin1String("-")) {
            if (positional)
                fail(QStringLiteral("csak egy névminta adható meg, a második: %1").arg(arg));
            o.namePattern = arg;
            positional = true;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> value;
        const qsizetype eq = arg.indexOf(u'=');
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        }
        const Known* k = known(name);
        if (!k) {
            fail(QStringLiteral("ismeretlen kapcsoló: %1").arg(name));
            break;
        }
        if (k->takes == Takes::Nothing) {
            if (value)
                fail(QStringLiteral("a(z) %1 kapcsoló nem kap értéket").arg(name));
        } else if (!value) {
            if (i + 1 >= arguments.size()) {
                fail(QStringLiteral("a(z) %1 kapcsoló után érték kell").arg(name));
                break;
            }
            value = arguments.at(++i);
        }

        const auto chooseFormat = [&](Format f) {
            if (format && *format != f)
                fail(QStringLiteral("a --csv és a --json közül csak az egyik adható meg"));
            format = f;
        };
        if (name == QLatin1String("--ut")) {
            o.pathPattern = *value;
        } else if (name == QLatin1String("--katalogus")) {
            if (value->isEmpty())
                fail(QStringLiteral("a --katalogus értéke üres"));
            o.catalogs << *value;
        } else if (name == QLatin1String("--kulcs")) {
            o.fileKeywords << *value;
        } else if (name == QLatin1String("--utkulcs")) {
            o.folderKeywords << *value;
        } else if (name == QLatin1String("--lemez")) {
            o.medium = *value;
        } else if (name == QLatin1String("--min-hossz") || name == QLatin1String("--max-hossz")) {
            const std::optional<qint64> n = length(*value);
            if (!n)
                fail(QStringLiteral("a(z) %1 értéke nem bájtszám: %2").arg(name, *value));
            (name == QLatin1String("--min-hossz") ? o.minLength : o.maxLength) = n;
        } else if (name == QLatin1String("--datumtol") || name == QLatin1String("--datumig")) {
            const std::optional<QDate> d = date(*value);
            if (!d)
                fail(QStringLiteral("a(z) %1 értéke nem ÉÉÉÉ-HH-NN alakú dátum: %2")
                         .arg(name, *value));
            (name == QLatin1String("--datumtol") ? o.dateFrom : o.dateTo) = d;
        } else if (name == QLatin1String("--mappak")) {
            o.folders = true;
        } else if (name == QLatin1String("--csv")) {
            chooseFormat(Format::Csv);
        } else if (name == QLatin1String("--json")) {
            chooseFormat(Format::Json);
        } else if (name == QLatin1String("--darab") || name == QLatin1String("--count")) {
            o.countOnly = true;
        } else if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.help = true;
        } else if (name == QLatin1String("--version")) {
            o.version = true;
        }
    }
    if (format)
        o.format = *format;
    if (o.minLength && o.maxLength && *o.minLength > *o.maxLength)
        fail(QStringLiteral("a --min-hossz nagyobb a --max-hossz értékénél"));
    if (o.dateFrom && o.dateTo && *o.dateFrom > *o.dateTo)
        fail(QStringLiteral("a --datumtol későbbi a --datumig értékénél"));
    if (o.folders && (o.minLength || o.maxLength || o.dateFrom || o.dateTo))
        fail(QStringLiteral("a --mappak mellett hossz és dátum nem adható meg: a mappáknak nincs"));
    return p;
}

QString helpText()
{
    return QStringLiteral(
        "Használat: polcozo-keres [KAPCSOLÓK] [NÉVMINTA]\n"
        "\n"
        "Fájlokat keres a Polcozó katalógusaiban, ahogy az Összetett keresés ablak.\n"
        "A NÉVMINTA a fájl nevére illeszkedik (alapértelmezés: *); a * tetszőleges\n"
        "számú, a ? pontosan egy karaktert jelöl, minden más betű szerint számít,\n"
        "a kis- és nagybetű (ékezetesek is) egyenértékű.\n"
        "\n"
        "Katalógusok:\n"
        "  --katalogus FÁJL|MAPPA  ebben a katalógusban keres; többször is megadható;\n"
        "                          mappa esetén a benne lévő összes .mdb katalógusban.\n"
        "                          Alapértelmezés: a programablakban utoljára megnyitott\n"
        "                          katalógus (~/.config/polcozo/Polcozo.ini).\n"
        "\n"
        "Feltételek (mind teljesüljön):\n"
        "  --ut MINTA              az út mintája (lemezcímkével: \"-CD_1- E:\\JATEK*\")\n"
        "  --kulcs SZÖVEG          fájlkulcs; többször is megadható, mind kell\n"
        "  --utkulcs SZÖVEG        útkulcs (mappa kulcsa); többször is megadható, mind kell\n"
        "  --lemez CÍMKE           csak ennek a lemeznek a fájljai (pl. CD_1)\n"
        "  --min-hossz BÁJT        legalább ekkora fájlok\n"
        "  --max-hossz BÁJT        legfeljebb ekkora fájlok\n"
        "  --datumtol ÉÉÉÉ-HH-NN   ezen a napon vagy később módosított fájlok\n"
        "  --datumig ÉÉÉÉ-HH-NN    ezen a napon vagy korábban módosított fájlok\n"
        "  --mappak                fájlok helyett a találatokat tartalmazó mappák,\n"
        "                          mindegyik egyszer (Út orientált keresés)\n"
        "\n"
        "Kimenet:\n"
        "  (alapértelmezés)        soronként egy találat, TAB-bal elválasztva: név, út,\n"
        "                          hossz, dátum, és több katalógusnál a katalógus útja\n"
        "  --csv                   CSV (RFC 4180, UTF-8), fejléccel\n"
        "  --json                  soronként egy JSON objektum\n"
        "  --darab, --count        csak a találatok száma (több katalógusnál\n"
        "                          katalógusonként, végül az összeg)\n"
        "  -h, --help              ez a leírás\n"
        "  --version               a program változata\n"
        "\n"
        "Kilépési kód: 0 van találat, 1 nincs találat, 2 hiba (az üzenet a hibakimeneten).\n"
        "A katalógusokat csak olvassa, akkor is, ha a programablak éppen használja őket.\n");
}

} // namespace cli
