// solvane-manual: the user's manual "Solvane.pdf" from its Markdown source, laid out with Qt's text
// document in the CJK font the project installs and written as an A4 PDF with a cover, a table of
// contents, running heads and page numbers. The build runs it; it needs no display.
//
//   solvane-manual SOURCE.md OUTPUT.pdf [--version TEXT]
//
// Pictures are named relative to the source's folder. A picture that is missing or unreadable, or no
// Japanese font, fails the run: a manual with holes in it is not a manual.
#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr int kDpi = 300;
constexpr double kPaperWidthMm = 210, kPaperHeightMm = 297;
constexpr double kSideMm = 20, kTopMm = 24, kBottomMm = 22; // the text area; heads and feet sit in the margins
// Screenshots are drawn at this many pixels an inch, or smaller when wider than the text area.
constexpr double kPictureDpi = 150;

const QStringList kTextFamilies{"Noto Sans CJK JP", "Yu Gothic", "Meiryo", "MS Gothic"};
const QStringList kCodeFamilies{"Noto Sans Mono CJK JP", "MS Gothic", "DejaVu Sans Mono"};
const QColor kHeadingColour(0x1f, 0x4e, 0x79);
const QColor kRuleColour(0xa0, 0xa0, 0xa0);
const QColor kGreyText(0x60, 0x60, 0x60);

double mm(double millimetres)
{
    return millimetres / 25.4 * kDpi;
}

double pt(double points)
{
    return points / 72.0 * kDpi;
}

// Lengths in text formats (margins, borders, paddings, picture sizes) are in pixels of 1/96 inch,
// which the layout scales to the writer's resolution.
double fmt(double points)
{
    return points * 96.0 / 72.0;
}

int fail(const QString& text)
{
    std::fprintf(stderr, "solvane-manual: %s\n", text.toLocal8Bit().constData());
    return 1;
}

QFont textFont(double points, bool bold = false)
{
    QFont f;
    f.setFamilies(kTextFamilies);
    f.setPointSizeF(points);
    f.setBold(bold);
    // Shaped Latin text takes glyphs of the CJK font that its character map does not reach (digits
    // next to letters, for one), and Qt's PDF writer leaves such glyphs out of the text a reader
    // copies or searches: "1. Solvane" would read ". Solvane".
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

struct Heading {
    int level;
    QString text;
    int page; // 0-based page of the body
};

bool hasPicture(const QTextBlock& b);

// Lays the body out on pages of the text area's size, keeps headings with what follows them and
// pictures whole on one page with their captions.
class Body {
public:
    Body(QTextDocument& doc, QSizeF area) : doc_(doc), area_(area)
    {
        doc_.setDocumentMargin(0);
        doc_.setPageSize(area_);
    }

    // A heading left alone at the foot of a page starts the next page instead, and so does a picture
    // that the layout would push down there from the foot of a page, or whose caption would be left
    // there: the block of such a picture would still begin on the earlier page, which would draw the
    // picture on both pages (hidden on one, but twice in the file). Each break moves what follows, so
    // the blocks are looked at again after each.
    void keepTogether()
    {
        for (int pass = 0; pass < 200; ++pass) {
            relayout();
            QTextBlock moved = blockToMove();
            if (!moved.isValid())
                return;
            QTextBlockFormat f = moved.blockFormat();
            f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(moved).setBlockFormat(f);
        }
        relayout();
    }

    std::vector<Heading> headings() const
    {
        std::vector<Heading> out;
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next())
            if (const int level = b.blockFormat().headingLevel(); level > 0)
                out.push_back({level, b.text().trimmed(), pageOf(b)});
        return out;
    }

private:
    // A change of format lays out only part of the document again and can leave the blocks after it
    // without lines; pages are judged on a whole new layout.
    void relayout() { doc_.markContentsDirty(0, doc_.characterCount()); }

    // The page on which a block's first line ends: a block may begin at the foot of a page while its
    // first line is shown on the next.
    int pageOf(const QTextBlock& b) const
    {
        double end = doc_.documentLayout()->blockBoundingRect(b).top();
        if (b.layout() && b.layout()->lineCount() > 0)
            end += b.layout()->lineAt(0).y() + b.layout()->lineAt(0).height() - 1;
        return static_cast<int>(end / area_.height());
    }

    // The page on which a block ends, its last line and bottom margin included.
    int lastPageOf(const QTextBlock& b) const
    {
        return static_cast<int>((doc_.documentLayout()->blockBoundingRect(b).bottom() - 1) / area_.height());
    }

    int firstPageOf(const QTextBlock& b) const
    {
        return static_cast<int>(doc_.documentLayout()->blockBoundingRect(b).top() / area_.height());
    }

    // The first heading whose following block starts on a later page, or picture that is not whole on
    // one page with its caption (the block after it); invalid when there is none.
    QTextBlock blockToMove() const
    {
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            const QTextBlockFormat f = b.blockFormat();
            if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            if (f.headingLevel() > 0 && b.next().isValid() && pageOf(b.next()) != pageOf(b))
                return b;
            if (hasPicture(b)) {
                const QTextBlock last = b.next().isValid() ? b.next() : b;
                if (firstPageOf(b) != lastPageOf(last))
                    return b;
            }
        }
        return {};
    }

    QTextDocument& doc_;
    QSizeF area_;
};

void mergeBlockChars(const QTextBlock& b, const QTextCharFormat& f)
{
    QTextCursor c(b);
    c.setPosition(b.position());
    c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    c.mergeCharFormat(f);
}

struct Picture {
    QString name, caption;
};

// The pictures the source names, in order of appearance, with their alternative texts.
std::vector<Picture> picturesOf(const QString& markdown)
{
    std::vector<Picture> pictures;
    static const QRegularExpression picture(R"(!\[([^\]]*)\]\(\s*([^)\s]+))");
    for (auto it = picture.globalMatch(markdown); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pictures.push_back({m.captured(2), m.captured(1)});
    }
    return pictures;
}

bool isCode(const QTextBlock& b)
{
    return b.isValid() &&
           (b.blockFormat().nonBreakableLines() || b.blockFormat().hasProperty(QTextFormat::BlockCodeFence));
}

bool hasPicture(const QTextBlock& b)
{
    for (auto it = b.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isImageFormat())
            return true;
    return false;
}

// Tables: thin ruled cells and a shaded heading row.
void styleTables(QTextDocument& doc)
{
    std::vector<QTextFrame*> frames{doc.rootFrame()};
    while (!frames.empty()) {
        QTextFrame* frame = frames.back();
        frames.pop_back();
        for (QTextFrame* child : frame->childFrames())
            frames.push_back(child);
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat tf = table->format();
        tf.setBorder(fmt(0.5));
        tf.setBorderBrush(kRuleColour);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setCellSpacing(0);
        tf.setCellPadding(fmt(2.5));
        tf.setTopMargin(fmt(2));
        tf.setBottomMargin(fmt(8));
        table->setFormat(tf);
        for (int col = 0; col < table->columns(); ++col) {
            QTextTableCell cell = table->cellAt(0, col);
            QTextCharFormat head = cell.format();
            head.setBackground(QColor(0xe4, 0xea, 0xf2));
            cell.setFormat(head);
        }
    }
}

// Fonts, spacing and pictures: the look of the manual, applied to what the Markdown gave. Each picture
// is followed by its description (the Markdown's alternative text) as a caption.
void styleBody(QTextDocument& doc, double areaWidth, const QStringList& captions)
{
    styleTables(doc);

    QTextCharFormat code;
    code.setFontFamilies(kCodeFamilies);
    code.setFontPointSize(8.5);
    QTextCharFormat cellChars;
    cellChars.setFontPointSize(8.5);
    QTextCharFormat captionChars;
    captionChars.setFontPointSize(8.5);
    captionChars.setForeground(kGreyText);

    bool first = true;
    qsizetype picture = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        const int level = f.headingLevel();
        const bool inTable = QTextCursor(b).currentTable() != nullptr;
        if (level > 0) {
            QTextCharFormat h;
            h.setFontWeight(QFont::Bold);
            h.setForeground(kHeadingColour);
            h.setFontPointSize(level == 1 ? 17 : level == 2 ? 13 : 11);
            mergeBlockChars(b, h);
            f.setTopMargin(fmt(level == 1 ? 0 : level == 2 ? 14 : 9));
            f.setBottomMargin(fmt(level == 1 ? 12 : 5));
            if (level == 1 && !first)
                f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            first = false;
        } else if (inTable) {
            mergeBlockChars(b, cellChars);
            f.setLineHeight(125, QTextBlockFormat::ProportionalHeight);
            f.setTopMargin(0);
            f.setBottomMargin(0);
        } else if (isCode(b)) {
            // One block a line: shaded as one box, spaced only before the first and after the last.
            mergeBlockChars(b, code);
            f.setBackground(QColor(0xf2, 0xf2, 0xf2));
            f.setLeftMargin(fmt(6));
            f.setTopMargin(isCode(b.previous()) ? 0 : fmt(2));
            f.setBottomMargin(isCode(b.next()) ? 0 : fmt(8));
        } else if (hasPicture(b)) {
            f.setAlignment(Qt::AlignHCenter);
            f.setTopMargin(fmt(4));
            f.setBottomMargin(fmt(2));
        } else {
            f.setLineHeight(145, QTextBlockFormat::ProportionalHeight);
            f.setTopMargin(0);
            f.setBottomMargin(b.textList() && b.next().textList() == b.textList() ? fmt(1) : fmt(6));
        }
        QTextCursor(b).setBlockFormat(f);

        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            QTextCharFormat cf = frag.charFormat();
            QTextCursor c(b);
            c.setPosition(frag.position());
            c.setPosition(frag.position() + frag.length(), QTextCursor::KeepAnchor);
            if (cf.isImageFormat()) {
                QTextImageFormat image = cf.toImageFormat();
                const QImage shot = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
                const double width = std::min(shot.width() * 96.0 / kPictureDpi, areaWidth * 96.0 / kDpi);
                image.setWidth(width);
                image.setHeight(width * shot.height() / shot.width());
                c.setCharFormat(image);
            } else if (cf.fontFixedPitch()) {
                c.mergeCharFormat(code);
            }
        }

        if (!hasPicture(b))
            continue;
        if (picture < captions.size() && !captions.at(picture).isEmpty()) {
            QTextBlockFormat caption;
            caption.setAlignment(Qt::AlignHCenter);
            caption.setBottomMargin(fmt(10));
            QTextCursor c(b);
            c.movePosition(QTextCursor::EndOfBlock);
            c.insertBlock(caption, captionChars);
            c.insertText(captions.at(picture));
            b = c.block();
        }
        ++picture;
    }
}

// The table of contents: chapters and their sections, each with its body page number at the right
// edge, as a borderless table of two columns.
void fillContents(QTextDocument& toc, const std::vector<Heading>& headings)
{
    toc.setDefaultFont(textFont(10));
    QTextCursor c(&toc);
    QTextBlockFormat title;
    title.setBottomMargin(fmt(8));
    QTextCharFormat titleChars;
    titleChars.setFont(textFont(17, true));
    titleChars.setForeground(kHeadingColour);
    c.setBlockFormat(title);
    c.setCharFormat(titleChars);
    c.insertText("目次");

    std::vector<const Heading*> entries;
    for (const Heading& h : headings)
        if (h.level <= 2)
            entries.push_back(&h);
    if (entries.empty())
        return;
    QTextTableFormat tf;
    tf.setBorder(0);
    tf.setCellSpacing(0);
    tf.setCellPadding(fmt(0.5));
    tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tf.setColumnWidthConstraints(
        {QTextLength(QTextLength::PercentageLength, 92), QTextLength(QTextLength::PercentageLength, 8)});
    QTextTable* table = c.insertTable(static_cast<int>(entries.size()), 2, tf);
    for (int row = 0; row < table->rows(); ++row) {
        const Heading& h = *entries[static_cast<std::size_t>(row)];
        QTextCharFormat chars;
        chars.setFont(textFont(h.level == 1 ? 10 : 9, h.level == 1));
        if (h.level == 1) {
            for (int col = 0; col < 2; ++col) {
                QTextTableCell cell = table->cellAt(row, col);
                QTextTableCellFormat spaced = cell.format().toTableCellFormat();
                spaced.setTopPadding(fmt(3));
                cell.setFormat(spaced);
            }
        }
        QTextBlockFormat line;
        line.setLeftMargin(h.level == 1 ? 0 : fmt(14));
        QTextCursor text = table->cellAt(row, 0).firstCursorPosition();
        text.setBlockFormat(line);
        text.insertText(h.text, chars);
        line.setLeftMargin(0);
        line.setAlignment(Qt::AlignRight);
        QTextCursor number = table->cellAt(row, 1).firstCursorPosition();
        number.setBlockFormat(line);
        number.insertText(QString::number(h.page + 1), chars);
    }
}

// Draws every page of doc, each on a new sheet after the first sheet of the file; decorate(i) adds the
// heads and feet of the document's page i.
void drawPages(QPdfWriter& writer, QPainter& painter, QTextDocument& doc, const QRectF& area,
               const std::function<void(int)>& decorate, int& sheet)
{
    const int count = doc.pageCount();
    for (int i = 0; i < count; ++i) {
        if (sheet > 0)
            writer.newPage();
        painter.save();
        painter.translate(area.left(), area.top() - i * area.height());
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = QRectF(0, i * area.height(), area.width(), area.height());
        painter.setClipRect(ctx.clip);
        doc.documentLayout()->draw(&painter, ctx);
        painter.restore();
        decorate(i);
        ++sheet;
    }
}

// Qt's notes about a missing runtime folder of the offscreen platform are noise in the build's output.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg || text.startsWith("QStandardPaths:"))
        return;
    std::fprintf(stderr, "solvane-manual: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    // The tool never shows a window; it must run where there is no display (the build machine).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    QString version;
    if (const qsizetype at = args.indexOf("--version"); at >= 0 && at + 1 < args.size()) {
        version = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() != 2)
        return fail("usage: solvane-manual SOURCE.md OUTPUT.pdf [--version TEXT]");
    const QString sourcePath = args.at(0), outPath = args.at(1);

    const QStringList installed = QFontDatabase::families();
    if (std::none_of(kTextFamilies.begin(), kTextFamilies.end(),
                     [&](const QString& f) { return installed.contains(f); }))
        return fail("no Japanese font (install fonts-noto-cjk)");

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return fail(sourcePath + ": " + source.errorString());
    const QString markdown = QString::fromUtf8(source.readAll());

    QTextDocument body;
    body.setDefaultFont(textFont(9.5));

    QPdfWriter writer(outPath + ".tmp");
    writer.setResolution(kDpi);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
    writer.setTitle("Solvane 使用解説書");
    writer.setCreator("solvane-manual");

    const QRectF area(mm(kSideMm), mm(kTopMm), mm(kPaperWidthMm - 2 * kSideMm),
                      mm(kPaperHeightMm - kTopMm - kBottomMm));

    body.documentLayout()->setPaintDevice(&writer);
    body.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    // After the text: setting it clears the document's resources.
    const QDir base = QFileInfo(sourcePath).absoluteDir();
    QStringList captions;
    for (const Picture& p : picturesOf(markdown)) {
        QImage shot(base.filePath(p.name));
        if (shot.isNull())
            return fail(base.filePath(p.name) + ": picture missing or unreadable");
        body.addResource(QTextDocument::ImageResource, QUrl(p.name), shot);
        captions << p.caption;
    }
    styleBody(body, area.width(), captions);
    Body pages(body, area.size());
    pages.keepTogether();
    const std::vector<Heading> headings = pages.headings();
    for (QTextBlock b = body.begin(); b.isValid(); b = b.next())
        if (b.length() > 1 && (!b.layout() || b.layout()->lineCount() == 0))
            return fail("text left out of the layout: " + b.text().left(40));

    QTextDocument toc;
    toc.documentLayout()->setPaintDevice(&writer);
    toc.setDocumentMargin(0);
    toc.setPageSize(area.size());
    fillContents(toc, headings);

    QPainter painter;
    if (!painter.begin(&writer))
        return fail(outPath + ": cannot write");

    // Cover.
    const QRectF paper(0, 0, mm(kPaperWidthMm), mm(kPaperHeightMm));
    painter.fillRect(QRectF(0, mm(70), paper.width(), mm(60)), kHeadingColour);
    painter.setPen(Qt::white);
    painter.setFont(textFont(40, true));
    painter.drawText(QRectF(mm(kSideMm), mm(72), area.width(), mm(30)), Qt::AlignLeft | Qt::AlignBottom, "Solvane");
    painter.setFont(textFont(20));
    painter.drawText(QRectF(mm(kSideMm), mm(104), area.width(), mm(20)), Qt::AlignLeft | Qt::AlignVCenter,
                     "使用解説書");
    painter.setPen(kGreyText);
    painter.setFont(textFont(11));
    painter.drawText(QRectF(mm(kSideMm), mm(140), area.width(), mm(30)), Qt::AlignLeft | Qt::AlignTop,
                     "中央競馬（JRA）馬券作成支援ソフト" + (version.isEmpty() ? QString() : "\nVersion " + version));

    int sheet = 1; // the cover is sheet 0
    const auto nothing = [](int) {};
    drawPages(writer, painter, toc, area, nothing, sheet);

    // Body pages: the chapter as running head, the page number at the foot.
    std::size_t chapter = 0;
    std::vector<const Heading*> chapters;
    for (const Heading& h : headings)
        if (h.level == 1)
            chapters.push_back(&h);
    const auto decorate = [&](int bodyPage) {
        while (chapter + 1 < chapters.size() && chapters[chapter + 1]->page <= bodyPage)
            ++chapter;
        painter.save();
        painter.setPen(QPen(kRuleColour, pt(0.5)));
        const double rule = area.top() - mm(6);
        painter.drawLine(QPointF(area.left(), rule), QPointF(area.right(), rule));
        painter.setPen(kGreyText);
        painter.setFont(textFont(8));
        const QRectF head(area.left(), rule - mm(6), area.width(), mm(5));
        if (!chapters.empty() && chapters[chapter]->page <= bodyPage)
            painter.drawText(head, Qt::AlignLeft | Qt::AlignBottom, chapters[chapter]->text);
        painter.drawText(head, Qt::AlignRight | Qt::AlignBottom, "Solvane 使用解説書");
        painter.setFont(textFont(9));
        painter.drawText(QRectF(area.left(), area.bottom() + mm(8), area.width(), mm(6)), Qt::AlignCenter,
                         QString::number(bodyPage + 1));
        painter.restore();
    };
    drawPages(writer, painter, body, area, decorate, sheet);
    if (!painter.end())
        return fail(outPath + ": cannot write");

    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(outPath.toStdU16String()).concat(u".tmp"),
                            std::filesystem::path(outPath.toStdU16String()), ec);
    if (ec)
        return fail(outPath + ": " + QString::fromStdString(ec.message()));
    return 0;
}
