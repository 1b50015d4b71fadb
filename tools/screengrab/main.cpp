// velkora-screengrab: writes what the display shows to a PNG.
//   velkora-screengrab [--window id] [--crop x,y,w,h] [--zoom n] out.png
// The window id is the X id (decimal or 0x hex, as xdotool and xwininfo print
// it); without one the whole screen is taken. The crop is in the grabbed
// picture's pixels; the zoom enlarges without smoothing, for small text.
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

namespace {

bool parseRect(const QString &text, QRect &rect)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    rect = QRect(values[0], values[1], values[2], values[3]);
    return rect.isValid();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a PNG of the screen or of one X window."));
    parser.addHelpOption();
    const QCommandLineOption windowOption(QStringLiteral("window"), QStringLiteral("X window id."), QStringLiteral("id"));
    const QCommandLineOption cropOption(QStringLiteral("crop"), QStringLiteral("Part to keep."), QStringLiteral("x,y,w,h"));
    const QCommandLineOption zoomOption(QStringLiteral("zoom"), QStringLiteral("Enlargement, 1 to 8."), QStringLiteral("n"),
                                        QStringLiteral("1"));
    parser.addOptions({windowOption, cropOption, zoomOption});
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("The PNG to write."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString out = parser.positionalArguments().constFirst();

    WId window = 0;
    if (parser.isSet(windowOption)) {
        bool ok = false;
        window = WId(parser.value(windowOption).toULongLong(&ok, 0));
        if (!ok) {
            err << "[Grab] not a window id: " << parser.value(windowOption) << Qt::endl;
            return 2;
        }
    }
    QRect crop;
    if (parser.isSet(cropOption) && !parseRect(parser.value(cropOption), crop)) {
        err << "[Grab] not a rectangle: " << parser.value(cropOption) << Qt::endl;
        return 2;
    }
    const int zoom = parser.value(zoomOption).toInt();
    if (zoom < 1 || zoom > 8) {
        err << "[Grab] zoom must be 1 to 8" << Qt::endl;
        return 2;
    }

    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        err << "[Grab] no screen" << Qt::endl;
        return 1;
    }
    QPixmap picture = screen->grabWindow(window);
    if (!crop.isNull())
        picture = picture.copy(crop);
    if (zoom > 1)
        picture = picture.scaled(picture.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (picture.isNull() || !picture.save(out, "PNG")) {
        err << "[Grab] cannot write " << out << Qt::endl;
        return 1;
    }
    return 0;
}
