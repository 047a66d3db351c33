#include "tools/compose/composeoptions.h"

#include "core/filename.h"

#include <QRegularExpression>

namespace yotsumado {

namespace {

// Reads "V,H" into the options; returns an error text or an empty one.
QString ReadSplit(const QString& value, ComposeOptions& options)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,9}),([0-9]{1,9})$"));
    const QRegularExpressionMatch m = form.match(value);
    if (!m.hasMatch())
        return QStringLiteral("--split wants two whole numbers V,H, not '%1'").arg(value);
    const int v = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    if (v < kSplitVMin || v > kSplitVMax)
        return QStringLiteral("--split: V must lie within %1..%2, not %3").arg(kSplitVMin).arg(kSplitVMax).arg(v);
    if (h < kSplitHMin || h > kSplitHMax)
        return QStringLiteral("--split: H must lie within %1..%2, not %3").arg(kSplitHMin).arg(kSplitHMax).arg(h);
    options.splitV = v;
    options.splitH = h;
    return QString();
}

// Reads a --size value: "2x", or the size itself as "960x720"; returns an
// error text or an empty one.
QString ReadSize(const QString& value, ComposeOptions& options)
{
    QStringList spellings;
    for (int k : grid::kOutputScales) {
        const QString times = QStringLiteral("%1x").arg(k);
        const QString size = QStringLiteral("%1x%2").arg(grid::kClientWidth * k).arg(grid::kClientHeight * k);
        if (value == times || value == size) {
            options.outputScale = k;
            return QString();
        }
        spellings << times << size;
    }
    return QStringLiteral("--size wants one of %1, not '%2'").arg(spellings.join(QStringLiteral(", ")), value);
}

} // namespace

TFitMode FitModeNamed(const QString& name)
{
    for (size_t i = 0; i < grid::kFitModes.size(); ++i)
        if (name == QLatin1String(grid::kFitModes[i]))
            return TFitMode(i);
    return TFitMode::Stretch;
}

const QStringList& MarkerModes()
{
    static const QStringList modes = [] {
        QStringList names;
        for (const grid::MarkerMode& mode : grid::kMarkerModes)
            names.append(QString::fromUtf8(mode.name));
        return names;
    }();
    return modes;
}

const QStringList& ScaleModes()
{
    static const QStringList modes{QStringLiteral("nearest"), QStringLiteral("smooth")};
    return modes;
}

ComposeArguments ParseComposeArguments(const QStringList& args)
{
    ComposeArguments result;
    ComposeOptions& o = result.options;
    QStringList given;  // options seen, to refuse one given twice
    QStringList pictures;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < args.size() && result.ok(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            pictures.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
            continue;
        }
        // The options that take a value: "--name value", "--name=value", "-o value".
        QString name = arg;
        QString value;
        bool hasValue = false;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
            hasValue = true;
        }
        if (name == QLatin1String("--output"))
            name = QStringLiteral("-o");
        const QStringList valued{QStringLiteral("-o"), QStringLiteral("--raw"), QStringLiteral("--split"),
                                 QStringLiteral("--markers"), QStringLiteral("--scale"),
                                 QStringLiteral("--batch"), QStringLiteral("--fit"), QStringLiteral("--size")};
        if (!valued.contains(name)) {
            result.error = QStringLiteral("unknown option '%1'").arg(arg);
            break;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                result.error = QStringLiteral("%1 needs a value").arg(arg);
                break;
            }
            value = args[++i];
        }
        if (given.contains(name)) {
            result.error = QStringLiteral("%1 given more than once").arg(name);
            break;
        }
        given.append(name);
        if (name == QLatin1String("-o") || name == QLatin1String("--raw")) {
            if (value.isEmpty()) {
                result.error = QStringLiteral("%1 needs a file name").arg(name);
                break;
            }
            (name == QLatin1String("-o") ? o.output : o.raw) = value;
        } else if (name == QLatin1String("--batch")) {
            if (value.isEmpty()) {
                result.error = QStringLiteral("--batch needs a file name");
                break;
            }
            o.batch = value;
        } else if (name == QLatin1String("--split")) {
            result.error = ReadSplit(value, o);
        } else if (name == QLatin1String("--size")) {
            result.error = ReadSize(value, o);
        } else if (name == QLatin1String("--fit")) {
            QStringList fits;
            for (const char* fit : grid::kFitModes)
                fits.append(QString::fromUtf8(fit));
            if (fits.contains(value))
                o.fit = value;
            else
                result.error = QStringLiteral("--fit wants one of %1, not '%2'").arg(fits.join(QStringLiteral(", ")), value);
        } else if (name == QLatin1String("--scale")) {
            if (ScaleModes().contains(value))
                o.scale = value;
            else
                result.error = QStringLiteral("--scale wants one of %1, not '%2'")
                                   .arg(ScaleModes().join(QStringLiteral(", ")), value);
        } else if (!MarkerModes().contains(value)) {
            result.error = QStringLiteral("--markers wants one of %1, not '%2'")
                               .arg(MarkerModes().join(QStringLiteral(", ")), value);
        } else {
            o.markers = value;
        }
    }
    if (!result.ok() || o.help)
        return result;
    if (o.outputScale > 1 && o.scale == QLatin1String("nearest") && given.contains(QStringLiteral("--scale"))) {
        result.error = QStringLiteral("--scale nearest makes only the 480 x 360 composite; larger ones are smooth");
        return result;
    }
    if (o.outputScale > 1)
        o.scale = QStringLiteral("smooth");
    if (pictures.size() > 4) {
        result.error = QStringLiteral("at most four pictures, one per panel (%1 given)").arg(pictures.size());
        return result;
    }
    for (qsizetype p = 0; p < pictures.size(); ++p)
        o.pictures[size_t(p)] = pictures[p] == QLatin1String("-") ? QString() : pictures[p];
    if (!o.batch.isEmpty()) {
        if (!pictures.isEmpty() || !o.output.isEmpty() || !o.raw.isEmpty())
            result.error = QStringLiteral("--batch takes the pictures and outputs from its file, not from -o, --raw "
                                          "or the command line");
        return result;
    }
    if (o.output.isEmpty() && o.raw.isEmpty())
        result.error = QStringLiteral("nothing to write: give -o FILE, --raw FILE or both");
    else if (!o.output.isEmpty() && AbsoluteFileName(o.output) == AbsoluteFileName(o.raw))
        result.error = QStringLiteral("-o and --raw name the same file");
    return result;
}

BatchLine ParseBatchLine(const QByteArray& line)
{
    BatchLine result;
    QList<QByteArray> words;
    QByteArray word;
    bool inWord = false;
    char quote = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                word += c;
        } else if (quote == '"') {
            if (c == '"')
                quote = 0;
            else if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                word += line[++i];
            else
                word += c;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else if (c == '#' && !inWord && words.isEmpty()) {
            break;
        } else {
            inWord = true;
            if (c == '\'' || c == '"')
                quote = c;
            else if (c == '\\' && i + 1 < line.size())
                word += line[++i];
            else
                word += c;
        }
    }
    if (quote) {
        result.error = QStringLiteral("a quote (%1) is not closed").arg(QLatin1Char(quote));
        return result;
    }
    if (inWord)
        words.append(word);
    if (words.isEmpty()) {
        result.empty = true;
        return result;
    }
    if (words.size() > 5) {
        result.error = QStringLiteral("at most four pictures and an output (%1 names given)").arg(words.size());
        return result;
    }
    result.output = FileNameFromBytes(words.takeLast());
    if (result.output.isEmpty() || result.output == QLatin1String("-")) {
        result.error = QStringLiteral("the last name on a line is the output file, not '%1'").arg(result.output);
        return result;
    }
    for (qsizetype p = 0; p < words.size(); ++p)
        result.pictures[size_t(p)] = words[p] == "-" ? QString() : FileNameFromBytes(words[p]);
    return result;
}

QString ComposeUsage()
{
    return QStringLiteral(
        "Usage: yotsumado-compose [options] [P1 [P2 [P3 [P4]]]]\n"
        "       yotsumado-compose [options] --batch FILE\n"
        "\n"
        "Composes up to four pictures (BMP, JPEG, PNG, WebP, HEIC/HEIF, AVIF, TIFF,\n"
        "GIF, JPEG XL) into the 480 x 360 picture of ヨツマド's window, without\n"
        "showing a window: the same layout, loading, markers and JPEG writing as\n"
        "the program's Save command.\n"
        "\n"
        "P1 to P4 fill the upper left, upper right, lower left and lower right\n"
        "panels; '-' leaves a panel empty.\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE  write the composite as JPEG (quality 80), replacing FILE\n"
        "  --raw FILE         write the composite before encoding as binary PPM (P6)\n"
        "  --split V,H        the vertical divider's left edge V (60..416) and the\n"
        "                     horizontal divider's top edge H (60..296); default 238,178\n"
        "  --markers MODE     white-numbers (default), black-numbers, white-letters,\n"
        "                     black-letters or none\n"
        "  --scale MODE       nearest (default): the pictures shrink as the window\n"
        "                     shows them; smooth: shrunk with a Lanczos filter\n"
        "                     (JPEGs first reduced while decoding), for photos\n"
        "  --fit MODE         stretch (default): each picture fills its panel;\n"
        "                     fit: whole, proportions kept, centred on the panel's\n"
        "                     colour; fill: proportions kept, centred and cut to\n"
        "                     fill the panel\n"
        "  --size SIZE        1x (default, 480x360), 2x (960x720), 3x (1440x1080) or\n"
        "                     4x (1920x1440): the window's composite of that size,\n"
        "                     always made smooth\n"
        "  --batch FILE       compose every set FILE lists, one a line: up to four\n"
        "                     pictures and the output JPEG last, separated by blanks\n"
        "                     ('-': an empty panel; quote names with blanks); the\n"
        "                     options above apply to every set; FILE '-' is\n"
        "                     standard input\n"
        "  -h, --help         show this text\n"
        "  --                 the arguments that follow are pictures\n"
        "\n"
        "At least one of -o and --raw is required, unless --batch is given.\n"
        "Exit status: 0 done, 1 a picture could not be loaded or a file written\n"
        "(with --batch: in any set; the other sets are still written), 2 wrong\n"
        "arguments.\n");
}

} // namespace yotsumado
