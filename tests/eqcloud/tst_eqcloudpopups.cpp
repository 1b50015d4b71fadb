// The pop-ups of the sharing page: the preview and its apply button, the
// delete question, the window blur, the share-code copies and the toasts.
#include "EqCloudPageFixture.h"

#include "widgets/GradientButton.h"
#include "widgets/TabItem.h"
#include "widgets/WindowBlurBackdrop.h"
#include "cloud/EqApi.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/EQCurveEditor.h"
#include "eqcloud/EQCloudDeleteConfirmDialog.h"
#include "eqcloud/EQCloudListController.h"
#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "eq/PageToast.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScatterSeries>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

using EarphoneApi::CloudEQItem;
using Action = EQCloudGameCardDelegate::Action;
using Source = EQActiveProfileCoordinator::Source;

class TestEqCloudPopups : public QObject
{
    Q_OBJECT

private slots:
    void bandsOfAnItem_data();
    void bandsOfAnItem();
    void previewShowsTheItem();
    void previewApplyOnTheCloudTabAppliesWithoutDownload();
    void previewApplyOnTheDownloadsTabSelectsTheDownload();
    void previewOfAnInvalidIdAppliesNothing();
    void confirmationEscapeCancels();
    void confirmationTexts_data();
    void confirmationTexts();
    void dismissPopupsLeavesTheBlurOfAnotherModal();
    void shareCodeCopies_data();
    void shareCodeCopies();
    void toastRepeatsCollapse();
    void toastKindsAndPlace();
    void languageChangeReloadsTheList();
    void snapshot();
};

void TestEqCloudPopups::bandsOfAnItem_data()
{
    QTest::addColumn<QStringList>("freq");
    QTest::addColumn<QStringList>("sound");
    QTest::addColumn<QStringList>("q");
    QTest::addColumn<QStringList>("type");
    QTest::addColumn<double>("freq0");
    QTest::addColumn<double>("gain0");
    QTest::addColumn<double>("q0");
    QTest::addColumn<QString>("type0");

    QTest::newRow("read") << QStringList{" 31 "} << QStringList{"-2.5"} << QStringList{"1.4"}
                          << QStringList{" High Shelf "} << 31.0 << -2.5 << 1.4 << "High Shelf";
    QTest::newRow("unreadable") << QStringList{"x"} << QStringList{""} << QStringList{"nan"} << QStringList{"  "}
                                << 0.0 << 0.0 << 0.7 << "Peaking";
    QTest::newRow("missing") << QStringList{} << QStringList{} << QStringList{} << QStringList{} << 0.0 << 0.0 << 0.7
                             << "Peaking";
}

void TestEqCloudPopups::bandsOfAnItem()
{
    CloudEQItem item;
    QFETCH(QStringList, freq);
    QFETCH(QStringList, sound);
    QFETCH(QStringList, q);
    QFETCH(QStringList, type);
    item.freq = freq;
    item.sound = sound;
    item.q = q;
    item.type = type;
    const EQCloudPreviewDialog::Bands bands = EQCloudPreviewDialog::bandsOf(item);
    QCOMPARE(bands.freqs.size(), 10);
    QCOMPARE(bands.gains.size(), 10);
    QCOMPARE(bands.qs.size(), 10);
    QCOMPARE(bands.types.size(), 10);
    QTEST(bands.freqs.first(), "freq0");
    QTEST(bands.gains.first(), "gain0");
    QTEST(bands.qs.first(), "q0");
    QTEST(bands.types.first(), "type0");
    // Past the item's lists: 0 Hz, 0 dB, Q 0.7, "Peaking".
    QCOMPARE(bands.freqs.last(), 0.0);
    QCOMPARE(bands.gains.last(), 0.0);
    QCOMPARE(bands.qs.last(), 0.7);
    QCOMPARE(bands.types.last(), QStringLiteral("Peaking"));
}

void TestEqCloudPopups::previewShowsTheItem()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("Warm"), QStringLiteral("other"),
                      QJsonObject{{"sc1_name", " FPS "}, {"sc2_name", ""}, {"desc", "Soft highs"}});
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());

    bool checked = false;
    f.whenModal([&](QDialog *dialog) {
        auto *preview = qobject_cast<EQCloudPreviewDialog *>(dialog);
        QVERIFY(preview);
        QCOMPARE(preview->size(), QSize(453, 361));
        QVERIFY(WindowBlurBackdrop::of(f.window()));
        QCOMPARE(preview->findChild<QLabel *>("previewName")->text(), QStringLiteral("Warm"));
        QCOMPARE(preview->findChild<QLabel *>("previewNickName")->text(), QStringLiteral("Bo"));
        QCOMPARE(preview->findChild<QLabel *>("previewDesc")->text(), QStringLiteral("Soft highs"));
        QCOMPARE(preview->findChild<QLabel *>("previewChip1")->text(), QStringLiteral("FPS"));
        QVERIFY(preview->findChild<QLabel *>("previewChip1")->isVisible());
        QVERIFY(!preview->findChild<QLabel *>("previewChip2")->isVisible());
        QCOMPARE(preview->applyButton()->text(), QStringLiteral("应用到设备"));
        QVERIFY(preview->editor()->testAttribute(Qt::WA_TransparentForMouseEvents));
        QCOMPARE(preview->editor()->pointCount(), 10);
        QCOMPARE(preview->editor()->bandPoint(0), QPointF(31, 3));
        QStringList freqLabels;
        for (QAbstractAxis *axis : preview->editor()->chart()->axes()) {
            if (axis->orientation() == Qt::Horizontal)
                freqLabels = qobject_cast<QCategoryAxis *>(axis)->categoriesLabels();
        }
        QCOMPARE(freqLabels, (QStringList{"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"}));
        for (QAbstractSeries *series : preview->editor()->chart()->series()) {
            if (auto *points = qobject_cast<QScatterSeries *>(series))
                QCOMPARE(points->markerSize(), 3.0);
        }
        checked = true;
        preview->closeButton()->click();
    });
    emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QVERIFY(checked);
    QVERIFY(!f.page()->previewDialog()->isVisible());
    QVERIFY(!WindowBlurBackdrop::of(f.window()));
}

void TestEqCloudPopups::previewApplyOnTheCloudTabAppliesWithoutDownload()
{
    EqCloudPageFixture f(true);
    const int id = f.session().share(QStringLiteral("Warm"));
    f.wire();
    QSettings().setValue(f.page()->lastSelectedKey(), QStringLiteral("55"));
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QSignalSpy applied(f.page(), &EQCloudSharingContent::cloudListEphemeralApplyRequested);
    f.whenModal([](QDialog *dialog) { qobject_cast<EQCloudPreviewDialog *>(dialog)->applyButton()->click(); });
    emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.at(0).at(0).value<CloudEQItem>().id, QString::number(id));
    QCOMPARE(f.toastText(), QStringLiteral("已应用"));
    QVERIFY(!QSettings().contains(f.page()->lastSelectedKey()));
    QCOMPARE(f.coordinator()->activeSource(), Source::None);
    QVERIFY(!f.page()->previewDialog()->isVisible());
    QVERIFY(!WindowBlurBackdrop::of(f.window()));
}

void TestEqCloudPopups::previewApplyOnTheDownloadsTabSelectsTheDownload()
{
    EqCloudPageFixture f(true);
    const int id = f.shareDownloaded(1).first();
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.openDownloads());
    QSignalSpy applied(f.page(), &EQCloudSharingContent::cloudListEphemeralApplyRequested);
    f.whenModal([](QDialog *dialog) { qobject_cast<EQCloudPreviewDialog *>(dialog)->applyButton()->click(); });
    emit f.page()->cardDelegate()->cardActionRequested(Action::DlPreview, 0);
    QCOMPARE(applied.count(), 0);
    QCOMPARE(f.coordinator()->activeSource(), Source::CloudDownload);
    QCOMPARE(f.coordinator()->activeId(), QString::number(id));
    QCOMPARE(f.page()->appliedId(), QString::number(id));
}

void TestEqCloudPopups::previewOfAnInvalidIdAppliesNothing()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    emit f.session().eqApi()->cloudEQListReceived({EqCloudTestSession::item("abc")}, 1, 1001,
                                                  EqCloudTestSession::pid);
    QSignalSpy applied(f.page(), &EQCloudSharingContent::cloudListEphemeralApplyRequested);
    int previewId = -1;
    f.whenModal([&previewId](QDialog *dialog) {
        auto *preview = qobject_cast<EQCloudPreviewDialog *>(dialog);
        previewId = preview->previewItemId();
        preview->applyButton()->click();
    });
    f.resetToast();
    emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QCOMPARE(previewId, 0);
    QCOMPARE(applied.count(), 0);
    QVERIFY(!f.toastShowing());
    QVERIFY(!f.page()->previewDialog()->isVisible());
}

void TestEqCloudPopups::confirmationEscapeCancels()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("mine"), f.session().user().uid);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QPointer<EQCloudDeleteConfirmDialog> asked;
    f.whenModal([&asked](QDialog *dialog) {
        asked = qobject_cast<EQCloudDeleteConfirmDialog *>(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    emit f.page()->cardDelegate()->cardActionRequested(Action::MyDelete, 0);
    QVERIFY(asked);
    QCOMPARE(asked->kind(), 1);
    QVERIFY(!asked->isConfirmed());
    QVERIFY(!WindowBlurBackdrop::of(f.window()));
    QVERIFY(!f.page()->confirmDialog());
    QTRY_VERIFY_WITH_TIMEOUT(!asked, 5000); // deleted later
    QCOMPARE(f.session().server().requestCount(QStringLiteral("home/cloud/cloudDel")), 0);
}

void TestEqCloudPopups::confirmationTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("my share") << 1 << "您确定要删除当前我的共享EQ吗？";
    QTest::newRow("download") << 0 << "您确定要删除当前云端下载EQ吗？";
}

void TestEqCloudPopups::confirmationTexts()
{
    QFETCH(int, kind);
    QWidget parent;
    EQCloudDeleteConfirmDialog dialog(kind, &parent);
    dialog.fitHeight();
    QTEST(dialog.messageLabel()->text(), "message");
    QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("删除"));
    QCOMPARE(dialog.width(), 364);
    QVERIFY(dialog.height() >= 168 && dialog.height() <= 480);
    QCOMPARE(dialog.cancelButton()->size(), QSize(112, 38));
    QCOMPARE(dialog.confirmButton()->text(), QStringLiteral("确定"));
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
}

// A page switch dismisses the page's pop-ups while another modal (the login
// window, a password or firmware dialog) may hold its own backdrop over the
// window: that one stays, and a preview over it adds none. The page's own
// backdrop still comes and goes with its dialogs.
void TestEqCloudPopups::dismissPopupsLeavesTheBlurOfAnotherModal()
{
    EqCloudPageFixture f(true);
    f.session().share(QStringLiteral("Warm"), QStringLiteral("other"));
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    QPointer<WindowBlurBackdrop> other = WindowBlurBackdrop::cover(f.window());
    QVERIFY(other);

    f.page()->dismissPopups();
    f.page()->closePreview();
    QVERIFY(other);
    QCOMPARE(WindowBlurBackdrop::of(f.window()), other.data());

    QList<WindowBlurBackdrop *> during;
    f.whenModal([&](QDialog *dialog) {
        during = f.window()->findChildren<WindowBlurBackdrop *>();
        dialog->reject();
    });
    emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QCOMPARE(during, QList<WindowBlurBackdrop *>{other.data()});
    QCOMPARE(WindowBlurBackdrop::of(f.window()), other.data());

    // The other modal has gone: the page's preview covers and uncovers as before.
    delete other.data();
    WindowBlurBackdrop *own = nullptr;
    f.whenModal([&](QDialog *dialog) {
        own = WindowBlurBackdrop::of(f.window());
        dialog->reject();
    });
    emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QVERIFY(own);
    QVERIFY(!WindowBlurBackdrop::of(f.window()));
    QVERIFY(!f.page()->previewDialog()->isVisible());
}

void TestEqCloudPopups::shareCodeCopies_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("toast");
    QTest::newRow("card chip") << int(Action::ShareCode) << " AB12 " << "分享码已复制。";
    QTest::newRow("card chip, empty") << int(Action::ShareCode) << "  " << "分享码为空，无法复制";
    QTest::newRow("downloaded share") << int(Action::DlShare) << "CD34" << "分享码已复制";
    QTest::newRow("downloaded share, empty") << int(Action::DlShare) << "" << "分享码为空，复制失败";
}

void TestEqCloudPopups::shareCodeCopies()
{
    QFETCH(int, action);
    QFETCH(QString, code);
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    CloudEQItem item = EqCloudTestSession::item("5");
    item.share_code = code;
    emit f.session().eqApi()->cloudEQListReceived({item}, 1, 1001, EqCloudTestSession::pid);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    emit f.page()->cardDelegate()->cardActionRequested(Action(action), 0);
    QTEST(f.toastText(), "toast");
    QCOMPARE(QGuiApplication::clipboard()->text(), code.trimmed().isEmpty() ? QStringLiteral("before") : code.trimmed());
}

void TestEqCloudPopups::toastRepeatsCollapse()
{
    EqCloudPageFixture f(true);
    QVERIFY(f.show());
    PageToast *toast = f.page()->toast();
    qint64 now = 5000;
    toast->setClock([&now] { return now; });

    f.page()->showInfoToast(QStringLiteral("  "), 1000);
    QVERIFY(!toast->frame());

    f.page()->showInfoToast(QStringLiteral(" A "), 1000);
    QCOMPARE(toast->text(), QStringLiteral("A"));
    toast->frame()->hide();
    now += 149;
    f.page()->showSuccessToast(QStringLiteral("A"), 1000);
    QVERIFY(!toast->isShowing());
    QCOMPARE(toast->kind(), int(PageToast::Info));
    f.page()->showErrorToast(QStringLiteral("B"), 1000);
    QVERIFY(toast->isShowing());
    QCOMPARE(toast->text(), QStringLiteral("B"));
    now += 150;
    f.page()->showInfoToast(QStringLiteral("B"), 1000);
    QCOMPARE(toast->kind(), int(PageToast::Info));
}

void TestEqCloudPopups::toastKindsAndPlace()
{
    EqCloudPageFixture f(true);
    QVERIFY(f.show());
    f.page()->showErrorToast(QStringLiteral("x"), 20);
    PageToast *toast = f.page()->toast();
    QFrame *frame = toast->frame();
    QCOMPARE(frame->parentWidget(), f.window());
    QCOMPARE(frame->size(), QSize(254, 80));
    QCOMPARE(frame->geometry().center(), f.window()->rect().center());
    QVERIFY(frame->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(toast->kind(), int(PageToast::Failure));
    QTRY_VERIFY_WITH_TIMEOUT(!toast->isShowing(), 5000);

    f.resetToast();
    toast->show(QStringLiteral("y"), 7, 0);
    QCOMPARE(toast->kind(), int(PageToast::Info));
}

void TestEqCloudPopups::languageChangeReloadsTheList()
{
    EqCloudPageFixture f(true);
    f.wire();
    QVERIFY(f.show());
    QVERIFY(f.settle());
    const int before = f.session().server().requestCount(QStringLiteral("home/cloud/cloudList"));
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));
    QTRY_COMPARE_WITH_TIMEOUT(f.session().server().requestCount(QStringLiteral("home/cloud/cloudList")), before + 1,
                              5000);
    QCOMPARE(f.page()->tabItem(EQCloudSharingContent::DownloadsTab)->text(), QStringLiteral("Cloud Downloads"));
    QCOMPARE(f.page()->sortButton(0)->text(), QStringLiteral("Popular"));
    QCOMPARE(f.page()->previewDialog()->applyButton()->text(), QStringLiteral("Apply to Device"));
    // The downloads tab grows with its title.
    QVERIFY(f.page()->tabItem(EQCloudSharingContent::DownloadsTab)->width() >= 82);
    QCoreApplication::removeTranslator(&english);
    QTRY_COMPARE_WITH_TIMEOUT(f.page()->sortButton(0)->text(), QStringLiteral("下载最多"), 5000);
}

// Set VELKORA_EQCLOUD_SNAPSHOT to a file path to keep a picture of the page.
void TestEqCloudPopups::snapshot()
{
    const QString path = qEnvironmentVariable("VELKORA_EQCLOUD_SNAPSHOT");
    if (path.isEmpty())
        QSKIP("VELKORA_EQCLOUD_SNAPSHOT not set");
    EqCloudPageFixture f(true);
    const QStringList names = {"Deep Bass", "Footsteps", "Vocal Clarity", "Arena", "Night Mode", "Cinema"};
    for (int i = 0; i < names.size(); ++i) {
        f.session().share(names.at(i), QStringLiteral("other"),
                          QJsonObject{{"sc1_name", i % 2 ? "FPS" : "MOBA"}, {"sc2_name", i % 3 ? "" : "Bass"}});
    }
    f.session().markOnServer(102, 2);
    f.session().markOnServer(103, 3);
    f.wire();
    f.window()->setStyleSheet(QStringLiteral("background-color: #2A292D;"));
    QVERIFY(f.show());
    QVERIFY(f.settle());
    f.page()->showSuccessToast(QStringLiteral("收藏成功！"), 60000);
    QApplication::processEvents();
    QVERIFY(f.window()->grab().save(path));

    QString previewPath = path;
    previewPath.replace(QStringLiteral(".png"), QStringLiteral("-preview.png"));
    bool saved = false;
    f.whenModal([&](QDialog *dialog) {
        saved = dialog->grab().save(previewPath);
        dialog->reject();
    });
    emit f.page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QVERIFY(saved);
}

QTEST_MAIN(TestEqCloudPopups)
#include "tst_eqcloudpopups.moc"
