#include "tools/demo/DemoSeed.h"

#include "tests/support/fakeapi/FakeApiServer.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

const QList<int> kBands{31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

struct Preset
{
    const char *id;
    const char *gain; // the preset index: 0-10 basic, 11-99 game
    const char *name;
    const char *enname;
    const char *desc;
    QList<double> gains;
    double mainGain = 0;
    QColor cover{}; // game presets only
};

const QList<Preset> &presets()
{
    static const QList<Preset> list{
        {"1", "0", "原声", "Original", "不做修饰的原始声音", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"2", "1", "流行", "Pop", "人声靠前，明亮通透", {-1, 0, 2, 3, 3, 1, 0, 1, 2, 2}},
        {"3", "2", "摇滚", "Rock", "厚实的鼓点与吉他", {4, 3, 1, -1, -2, 0, 2, 3, 4, 4}},
        {"4", "3", "古典", "Classical", "宽广自然的管弦乐", {3, 2, 1, 0, 0, 0, -1, 1, 2, 3}},
        {"5", "4", "低音增强", "Bass Boost", "澎湃低频", {7, 6, 5, 3, 1, 0, 0, 0, 0, 0}, -2},
        {"6", "5", "人声", "Vocal", "对白与歌声更清晰", {-2, -2, -1, 1, 3, 4, 4, 2, 0, -1}},
        {"21", "11", "射击 · 脚步", "FPS Footsteps", "突出脚步与换弹声", {-4, -3, -2, -1, 0, 2, 5, 6, 4, 2}, 0,
         QColor("#6532CB")},
        {"22", "12", "战术竞技", "Battle Royale", "远处枪声方位清晰", {-2, -1, 0, 1, 2, 3, 4, 4, 3, 1}, 0,
         QColor("#2F7DD1")},
        {"23", "13", "团队对战", "Team Arena", "技能音效饱满", {2, 2, 1, 0, 1, 2, 2, 3, 2, 1}, 0, QColor("#C8463C")},
        {"24", "14", "竞速", "Racing", "引擎轰鸣与轮胎摩擦", {5, 4, 3, 1, 0, 0, 1, 2, 2, 1}, 0, QColor("#D19A2F")},
        {"25", "15", "恐怖冒险", "Horror", "环境细节与低沉氛围", {3, 2, 0, -1, 0, 1, 3, 4, 3, 2}, 0, QColor("#3C8C5A")},
    };
    return list;
}

struct Author
{
    const char *uid;
    const char *nickName;
    QColor color;
};

const QList<Author> &authors()
{
    static const QList<Author> list{
        {"20001", "夜行猫", QColor("#E07A5F")},
        {"20002", "Bass Hunter", QColor("#3D85C6")},
        {"20003", "小鹿调音师", QColor("#81B29A")},
        {"20004", "Echo", QColor("#F2CC8F")},
    };
    return list;
}

struct Shared
{
    int author; // into authors(), -1: the demo account itself
    const char *name;
    const char *desc;
    const char *cateId;
    const char *tag1;
    const char *tag2;
    const char *shareCode;
    const char *addTime;
    QList<double> gains;
    int mainGain;
    int likes;
    int downloads;
};

const QList<Shared> &sharedEqs()
{
    static const QList<Shared> list{
        {0, "夜战听声辨位", "脚步声和枪声更靠前，低频收紧", "1", "射击", "听声辨位", "VK7Q2M", "2026-11-28 21:40:12",
         {-5, -4, -2, 0, 1, 3, 5, 6, 4, 1}, 0, 12, 30},
        {1, "Deep Bass Night", "Heavy low end for electronic music", "3", "音乐", "低音", "VK8B3X", "2026-11-26 19:02:45",
         {8, 7, 5, 2, 0, -1, 0, 1, 1, 0}, -3, 25, 41},
        {2, "清澈人声", "播客和有声书，人声温暖清楚", "3", "音乐", "人声", "VK2C9D", "2026-11-20 08:15:30",
         {-3, -2, 0, 2, 4, 4, 3, 1, 0, -2}, 0, 7, 9},
        {3, "竞速轰鸣", "引擎声浑厚，路噪适中", "2", "竞速", "沉浸", "VK5R1E", "2026-11-18 23:55:01",
         {5, 5, 3, 1, 0, 0, 1, 2, 2, 1}, -1, 3, 5},
        {0, "MOBA 团战", "技能与提示音清楚，团战不糊", "1", "团队对战", "清晰", "VK4M8T", "2026-11-12 17:20:44",
         {1, 1, 0, 0, 2, 3, 3, 3, 2, 1}, 0, 18, 22},
        {-1, "我的通勤 EQ", "地铁上也能听清细节", "3", "音乐", "通勤", "VK9U6W", "2026-12-01 07:45:00",
         {3, 2, 1, 0, 0, 1, 2, 3, 2, 1}, 0, 2, 1},
    };
    return list;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A round avatar: a headset drawn on the author's colour. Shapes only, so
// that no font (and no GUI application) is needed.
QByteArray avatar(const QColor &color)
{
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(image.rect());
    p.setPen(QPen(Qt::white, 9, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(30, 28, 68, 68), 20 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(26, 60, 18, 30), 7, 7);
    p.drawRoundedRect(QRectF(84, 60, 18, 30), 7, 7);
    return png(image);
}

// A cover picture of a game preset: a gradient tile with an equaliser
// drawn from the preset's own gains.
QByteArray cover(const QList<double> &gains, const QColor &color)
{
    QImage image(240, 136, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, image.width(), image.height());
    gradient.setColorAt(0, color.lighter(130));
    gradient.setColorAt(1, color.darker(220));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(image.rect()), 14, 14);
    p.fillPath(tile, gradient);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    for (qsizetype i = 0; i < gains.size(); ++i) {
        const double height = 14 + (gains.at(i) + 12) * 3;
        p.drawRoundedRect(QRectF(22 + i * 20, 118 - height, 12, height), 4, 4);
    }
    return png(image);
}

template <typename T>
QJsonArray array(const QList<T> &values)
{
    QJsonArray a;
    for (const T &v : values)
        a.append(v);
    return a;
}

QJsonArray repeated(const QJsonValue &value)
{
    QJsonArray a;
    for (qsizetype i = 0; i < kBands.size(); ++i)
        a.append(value);
    return a;
}

// Shared curves carry their bands as texts, as the sharing page uploads them.
QJsonArray texts(const QList<double> &values)
{
    QJsonArray a;
    for (double v : values)
        a.append(QString::number(v));
    return a;
}

QString fileName(const char *kind, const QString &id)
{
    return QStringLiteral("demo/%1-%2.png").arg(QLatin1String(kind), id);
}

} // namespace

DemoSeed::DemoSeed(QByteArray headsetImage, QByteArray receiverImage)
    : m_headsetImage(std::move(headsetImage)), m_receiverImage(std::move(receiverImage))
{
}

int DemoSeed::basicPresetCount()
{
    return int(std::count_if(presets().cbegin(), presets().cend(), [](const Preset &p) { return QByteArray(p.gain).toInt() <= 10; }));
}

int DemoSeed::gamePresetCount()
{
    return int(presets().size()) - basicPresetCount();
}

int DemoSeed::sharedEqCount()
{
    return int(sharedEqs().size());
}

void DemoSeed::seed(FakeApi::FakeApiServer &server) const
{
    seedAccounts(server);
    seedSoundList(server);
    seedCloud(server);
    seedFirmware(server);
}

void DemoSeed::seedAccounts(FakeApi::FakeApiServer &server) const
{
    FakeApi::Backend &backend = server.backend();
    backend.setFile(fileName("avatar", QStringLiteral("demo")), avatar(QColor("#6532CB")));
    FakeApi::User account;
    account.userName = QString::fromLatin1(kUserName);
    account.nickName = QStringLiteral("Demo 用户");
    account.iconUrl = server.fileUrl(fileName("avatar", QStringLiteral("demo"))).toString();
    account.email = QStringLiteral("demo@example.com");
    backend.addUser(account, QString::fromLatin1(kPassword));
    for (const Author &author : authors()) {
        const QString uid = QString::fromLatin1(author.uid);
        backend.setFile(fileName("avatar", uid), avatar(author.color));
    }
}

void DemoSeed::seedSoundList(FakeApi::FakeApiServer &server) const
{
    FakeApi::Backend &backend = server.backend();
    const QString pid = QString::fromLatin1(kProductId);
    QJsonArray effects;
    int sort = 100;
    for (const Preset &preset : presets()) {
        QJsonObject effect{
            {QStringLiteral("id"), QString::fromLatin1(preset.id)},
            {QStringLiteral("gain"), QString::fromLatin1(preset.gain)},
            {QStringLiteral("name"), QString::fromUtf8(preset.name)},
            {QStringLiteral("enname"), QString::fromLatin1(preset.enname)},
            {QStringLiteral("desc"), QString::fromUtf8(preset.desc)},
            {QStringLiteral("pid"), pid},
            {QStringLiteral("lang"), QStringLiteral("zh")},
            {QStringLiteral("sort"), sort--},
            {QStringLiteral("freq"), array(kBands)},
            {QStringLiteral("sound"), array(preset.gains)},
            {QStringLiteral("q"), repeated(1.0)},
            {QStringLiteral("type"), repeated(QStringLiteral("Peaking"))},
            {QStringLiteral("main_gain"), preset.mainGain},
        };
        if (preset.cover.isValid()) {
            const QString file = fileName("cover", QString::fromLatin1(preset.id));
            backend.setFile(file, cover(preset.gains, preset.cover));
            effect.insert(QStringLiteral("image"), server.fileUrl(file).toString());
        }
        effects.append(effect);
    }
    backend.eqCloud().setSoundList(pid, effects);

    QJsonArray gameTypes;
    const QList<std::pair<const char *, const char *>> types{{"1", "射击"}, {"2", "竞速"}, {"3", "音乐"}};
    for (const auto &[id, name] : types)
        gameTypes.append(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(id)},
                                     {QStringLiteral("name"), QString::fromUtf8(name)},
                                     {QStringLiteral("pid"), pid},
                                     {QStringLiteral("sort"), QString::fromLatin1(id)},
                                     {QStringLiteral("lang"), QStringLiteral("zh")}});
    backend.eqCloud().setGameTypes(pid, gameTypes);
}

void DemoSeed::seedCloud(FakeApi::FakeApiServer &server) const
{
    FakeApi::Backend &backend = server.backend();
    const QString pid = QString::fromLatin1(kProductId);
    const FakeApi::User me = *backend.user(QString::fromLatin1(kUserName));
    for (const Shared &eq : sharedEqs()) {
        const bool mine = eq.author < 0;
        const QString uid = mine ? me.uid : QString::fromLatin1(authors().at(eq.author).uid);
        const QString nickName = mine ? me.nickName : QString::fromUtf8(authors().at(eq.author).nickName);
        const QString icon = mine ? me.iconUrl : server.fileUrl(fileName("avatar", uid)).toString();
        const QJsonObject fields{
            {QStringLiteral("name"), QString::fromUtf8(eq.name)},
            {QStringLiteral("desc"), QString::fromUtf8(eq.desc)},
            {QStringLiteral("cate_id"), QString::fromLatin1(eq.cateId)},
            {QStringLiteral("freq"), texts(QList<double>(kBands.cbegin(), kBands.cend()))},
            {QStringLiteral("q"), texts(QList<double>(kBands.size(), 1.0))},
            {QStringLiteral("sound"), texts(eq.gains)},
            {QStringLiteral("type"), repeated(QStringLiteral("Peaking"))},
            {QStringLiteral("main_gain"), eq.mainGain},
            {QStringLiteral("nickName"), nickName},
            {QStringLiteral("iconUrl"), icon},
            {QStringLiteral("share_code"), QString::fromLatin1(eq.shareCode)},
            {QStringLiteral("add_time"), QString::fromLatin1(eq.addTime)},
            {QStringLiteral("sc1_name"), QString::fromUtf8(eq.tag1)},
            {QStringLiteral("sc2_name"), QString::fromUtf8(eq.tag2)},
        };
        const int id = backend.eqCloud().addShared(uid, pid, fields);
        // Other listeners' marks, so the cards show counts.
        for (int i = 0; i < std::max(eq.likes, eq.downloads); ++i)
            backend.eqCloud().addMarks(id, QStringLiteral("listener-%1").arg(i), i < eq.likes, i < eq.likes / 2,
                                       i < eq.downloads);
    }
}

void DemoSeed::seedFirmware(FakeApi::FakeApiServer &server) const
{
    FakeApi::Backend &backend = server.backend();
    const QString headsetFile = QStringLiteral("firmware/headset-%1.ufw").arg(QLatin1String(kHeadsetVersion));
    const QString receiverFile = QStringLiteral("firmware/receiver-%1.ufw").arg(QLatin1String(kReceiverVersion));
    backend.setFile(headsetFile, m_headsetImage);
    backend.setFile(receiverFile, m_receiverImage);
    const QJsonObject firmware{
        {QStringLiteral("firmware1"), QJsonObject{{QStringLiteral("version"), QString::fromLatin1(kHeadsetVersion)},
                                                  {QStringLiteral("url"), server.fileUrl(headsetFile).toString()}}},
        {QStringLiteral("firmware2"), QJsonObject{{QStringLiteral("version"), QString::fromLatin1(kReceiverVersion)},
                                                  {QStringLiteral("url"), server.fileUrl(receiverFile).toString()}}}};
    backend.setFirmwareInfo(QString::fromLatin1(kProductId), firmware);
}
