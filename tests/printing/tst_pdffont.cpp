#include "printing/output/pagerenderer.h"
#include "printing/output/pdf/pdffont.h"
#include "printing/output/pdf/pdfobjects.h"
#include "printing/output/pdf/subsettags.h"
#include "printing/page/pagefontmetrics.h"

#include <QPainterPath>
#include <QRawFont>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

class PdfFontTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void coverage_data();
    void coverage();
    void subset_data();
    void subset();
    void readFromItsFile_data();
    void readFromItsFile();
    void pageMetricsAreTheFonts();

private:
    const PdfFont* font_ = nullptr;
};

namespace {

quint32 word(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

quint32 sum(const QByteArray& data, qsizetype at, qsizetype length)
{
    quint32 total = 0;
    for (qsizetype i = 0; i < (length + 3) / 4 * 4; i += 4)
        total += word(data, at + i);
    return total;
}

} // namespace

void PdfFontTest::initTestCase()
{
    font_ = PdfFont::page();
    QVERIFY2(font_, "the page font has no TrueType outlines: make test installs fonts-dejavu-core");
}

void PdfFontTest::coverage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("covered");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("ASCII") << QStringLiteral("Tick frequency:10 samples @ 100ns/sample =1000ns")
                           << true;
    QTest::newRow("Latin-1 and Latin Extended-A") << QStringLiteral("Größe ÆØÅ µs ¼ Łódź") << true;
    QTest::newRow("dashes and quotes") << QStringLiteral("samples 512–1023 “x” ‘y’ — − …") << true;
    QTest::newRow("arrow") << QStringLiteral("A→B  32 µs") << true;
    QTest::newRow("Latin Extended-B, next to them") << QStringLiteral("ƀ") << false;
    QTest::newRow("Greek") << QStringLiteral("\u03A3\u03B7\u03BC\u03B1") << false;
    QTest::newRow("CJK") << QStringLiteral("\u4E2D\u6587") << false;
    QTest::newRow("Hebrew, drawn right to left") << QStringLiteral("\u05D0\u05D1") << false;
    QTest::newRow("tab") << QStringLiteral("a\tb") << false;
    QTest::newRow("no-break space") << QStringLiteral("a\u00A0b") << false;
    QTest::newRow("soft hyphen") << QStringLiteral("a\u00ADb") << false;
    QTest::newRow("surrogate pair") << QStringLiteral("a\U0001F600") << false;
}

// Text goes to the engine unless each character is one glyph of the font,
// laid out left to right.
void PdfFontTest::coverage()
{
    QFETCH(QString, text);
    QFETCH(bool, covered);
    std::vector<std::uint16_t> glyphs{7};
    QCOMPARE(font_->glyphsFor(text, glyphs), covered);
    QCOMPARE(glyphs.size(), std::size_t(covered ? 1 + text.size() : 1));
}

void PdfFontTest::subset_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << QString();
    QTest::newRow("ASCII") << QStringLiteral("Heading 0-9 @ ns");
    QTest::newRow("accented, built of other glyphs") << QStringLiteral("ÄÖÜåéŁ");
    QTest::newRow("punctuation past Latin") << QStringLiteral("0–1 “a”");
}

// The subset is a sound TrueType font whose glyphs keep their numbers and
// outlines; glyphs not asked for are empty.
void PdfFontTest::subset()
{
    QFETCH(QString, text);
    std::vector<std::uint16_t> glyphs;
    QVERIFY(font_->glyphsFor(text, glyphs));
    std::sort(glyphs.begin(), glyphs.end());
    glyphs.erase(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
    const QByteArray file = font_->subset(glyphs);

    QCOMPARE(file.size() % 4, 0);
    QCOMPARE(sum(file, 0, file.size()), 0xB1B0AFBAu);
    const int tables = qFromBigEndian<quint16>(file.constData() + 4);
    for (int i = 0; i < tables; ++i) {
        const qsizetype entry = 12 + 16 * i;
        const QByteArray tag = file.mid(entry, 4);
        const qsizetype at = word(file, entry + 8), length = word(file, entry + 12);
        QVERIFY2(at % 4 == 0 && at + length <= file.size(), tag.constData());
        if (tag != "head")
            QVERIFY2(sum(file, at, length) == word(file, entry + 4), tag.constData());
    }

    const QRawFont original = QRawFont::fromFont(pageFont(12));
    const QRawFont reread(file, original.pixelSize());
    QVERIFY(reread.isValid());
    for (const std::uint16_t glyph : glyphs) {
        QVERIFY(!original.pathForGlyph(glyph).isEmpty() || text.contains(u' '));
        QCOMPARE(reread.pathForGlyph(glyph), original.pathForGlyph(glyph));
    }
    std::vector<std::uint16_t> other;
    QVERIFY(font_->glyphsFor(QStringLiteral("Q"), other));
    QVERIFY(reread.pathForGlyph(other[0]).isEmpty());
}

void PdfFontTest::readFromItsFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("taken"); // else Qt's font database finds the page font
    QTest::newRow("the packaged file") << QString::fromLatin1(PdfFont::packagedFile) << true;
    QTest::newRow("missing") << QStringLiteral("/nonexistent/DejaVuSans.ttf") << false;
    QTest::newRow("not a font") << QStringLiteral(__FILE__) << false;
    QTest::newRow("cut short") << QStringLiteral("CUT") << false;
    QTest::newRow("another family")
        << QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf")
        << false;
    QTest::newRow("CFF outlines") << QStringLiteral(
        "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf")
                                  << false;
}

// The page font read from its file is the one Qt's database gives, to the
// byte; any other file is passed over.
void PdfFontTest::readFromItsFile()
{
    QFETCH(QString, file);
    QFETCH(bool, taken);
    QTemporaryDir here;
    if (file == QLatin1String("CUT")) {
        QFile whole(QString::fromLatin1(PdfFont::packagedFile)), cut(here.filePath("cut.ttf"));
        QVERIFY(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(whole.size() / 2));
        file = cut.fileName();
    }
    if (!taken && file.startsWith(u'/') && !file.startsWith(QLatin1String("/nonexistent"))
        && !QFile::exists(file))
        QSKIP("that font is not installed (make test installs it)");
    const std::unique_ptr<PdfFont> read = PdfFont::fromFile(file);
    QCOMPARE(bool(read), taken);
    if (!taken)
        return;
    const std::unique_ptr<PdfFont> found = PdfFont::fromFontDatabase();
    QVERIFY(found);
    std::vector<std::uint16_t> glyphs, expected;
    for (char16_t c = 0; c < 0x3000; ++c) {
        const QString text(QChar{c});
        QCOMPARE(read->glyphsFor(text, glyphs), found->glyphsFor(text, expected));
    }
    QVERIFY(glyphs == expected);
    for (int points = 1; points <= 96; ++points)
        QCOMPARE(read->ascent(points), found->ascent(points));
    std::sort(glyphs.begin(), glyphs.end());
    glyphs.erase(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
    const auto written = [&](const PdfFont& font) {
        PdfObjects objects;
        SubsetTags tags;
        const int first = objects.reserve();
        for (int i = 1; i < 5; ++i)
            objects.reserve();
        font.write(objects, first, glyphs, tags);
        return objects.finish(first, first);
    };
    QVERIFY(written(*read) == written(*found));
}

// The widths and heights the page fits text by, without loading the font.
void PdfFontTest::pageMetricsAreTheFonts()
{
    const QRawFont raw(QString::fromLatin1(PdfFont::packagedFile), pagePixelSize(9));
    QString characters = QStringLiteral("\u2026");
    for (char16_t c = 0x20; c < 0x7f; ++c)
        characters += QChar(c);
    for (const QChar c : characters) {
        std::vector<std::uint16_t> glyph;
        QVERIFY(font_->glyphsFor(c, glyph));
        QCOMPARE(pageTextWidth(QString(c), 9), font_->width(glyph[0]) * pagePixelSize(9) / 1000);
    }
    const QRectF capital = raw.boundingRect(raw.glyphIndexesForString(QStringLiteral("H"))[0]);
    QVERIFY(std::abs(pageCapitalMiddle(9) - (font_->ascent(9) + capital.center().y())) < 0.5);
}

QTEST_MAIN(PdfFontTest)
#include "tst_pdffont.moc"
