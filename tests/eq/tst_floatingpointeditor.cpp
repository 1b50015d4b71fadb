// The floating point editor: filling without echo, the custom-mode type
// coercion, field limits, the type picker and the texts of both languages.
#include "eq/EqStatusDotChip.h"
#include "eq/FilterTypePicker.h"
#include "eq/FloatingPointEditor.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

using FloatingPointEditorDetail::FilterTypePicker;

namespace {

struct Emitted
{
    QPointF pos;
    double q;
    QString type;
};

Emitted last(const QSignalSpy &spy)
{
    const QList<QVariant> args = spy.last();
    return {args.at(0).toPointF(), args.at(1).toDouble(), args.at(2).toString()};
}

QLabel *caption(FloatingPointEditor &editor, int i)
{
    return editor.findChildren<QLabel *>(QStringLiteral("fpCaptionLabel")).value(i);
}

} // namespace

class TestFloatingPointEditor : public QObject
{
    Q_OBJECT
private slots:
    void startsPassiveInStandardMode();
    void fillingIsSilentAndClamped();
    void fillingPicksTheType_data();
    void fillingPicksTheType();
    void invalidColourFallsBack();
    void gainRangeIsOrderedAndSilent();
    void userChangesEmitAllValues();
    void menuChoiceOfTheCurrentTypeEmitsNothing();
    void customModeOffersThreeTypes();
    void curvePictureFollowsTheType();
    void focusSelectsWholeField();
    void passiveToggle();
    void textsFollowTheLanguage();
};

void TestFloatingPointEditor::startsPassiveInStandardMode()
{
    FloatingPointEditor editor;
    QVERIFY(editor.isPassive());
    QVERIFY(editor.testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(editor.focusPolicy(), Qt::NoFocus);
    QCOMPARE(editor.size(), QSize(200, 75));
    QCOMPARE(editor.typePicker()->values(),
             QStringList({"Peaking", "Low Pass", "High Pass", "Low Shelf", "High Shelf"}));
    QCOMPARE(editor.typePicker()->currentValue(), QStringLiteral("Peaking"));
    QCOMPARE(editor.frequencyField()->minimum(), 20.0);
    QCOMPARE(editor.frequencyField()->maximum(), 20000.0);
    QCOMPARE(editor.frequencyField()->decimals(), 0);
    QCOMPARE(editor.gainField()->minimum(), -8.0);
    QCOMPARE(editor.gainField()->decimals(), 1);
    QCOMPARE(editor.qField()->minimum(), 0.1);
    QCOMPARE(editor.qField()->maximum(), 5.0);
    QCOMPARE(editor.qField()->decimals(), 2);
    QCOMPARE(editor.frequencyField()->suffix(), QStringLiteral("Hz"));
    QCOMPARE(editor.gainField()->suffix(), QStringLiteral("dB"));
}

void TestFloatingPointEditor::fillingIsSilentAndClamped()
{
    FloatingPointEditor editor;
    QSignalSpy changed(&editor, &FloatingPointEditor::valuesChanged);
    editor.setValues(QPointF(25000, 9.3), 7.0, "High Shelf", QColor("#0BFE58"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(editor.frequencyField()->value(), 20000.0);
    QCOMPARE(editor.gainField()->value(), 8.0);
    QCOMPARE(editor.qField()->value(), 5.0);
    QCOMPARE(editor.colourDot()->color(), QColor("#0BFE58"));
    QCOMPARE(editor.typePicker()->button()->text(), editor.typePicker()->labels().at(4));
}

void TestFloatingPointEditor::fillingPicksTheType_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("emitted");
    QTest::newRow("standard low shelf") << false << "Low Shelf" << "Low Shelf" << 0;
    QTest::newRow("standard disable") << false << "Disable" << "Peaking" << 0;
    QTest::newRow("standard unknown") << false << "Notch" << "Peaking" << 0;
    QTest::newRow("custom low shelf") << true << "Low Shelf" << "Peaking" << 1;
    QTest::newRow("custom high shelf") << true << "High Shelf" << "Peaking" << 1;
    QTest::newRow("custom disable") << true << "Disable" << "Peaking" << 1;
    QTest::newRow("custom high pass") << true << "High Pass" << "High Pass" << 0;
}

void TestFloatingPointEditor::fillingPicksTheType()
{
    QFETCH(bool, custom);
    QFETCH(QString, given);
    QFETCH(QString, shown);
    QFETCH(int, emitted);
    FloatingPointEditor editor;
    editor.setCustomMode(custom);
    editor.setGainRange(-10, 10);
    QSignalSpy changed(&editor, &FloatingPointEditor::valuesChanged);
    editor.setValues(QPointF(640, -2.5), 1.25, given, QColor(Qt::red));
    QCOMPARE(editor.typePicker()->currentValue(), shown);
    QCOMPARE(changed.count(), emitted);
    if (emitted) {
        const Emitted e = last(changed);
        QCOMPARE(e.type, QStringLiteral("Peaking"));
        QCOMPARE(e.pos, QPointF(640, -2.5));
        QCOMPARE(e.q, 1.25);
    }
    // The next user change carries the type shown, not the one given.
    editor.qField()->setValue(2.0);
    QCOMPARE(last(changed).type, shown);
}

void TestFloatingPointEditor::invalidColourFallsBack()
{
    FloatingPointEditor editor;
    editor.setValues(QPointF(100, 0), 1, "Peaking", QColor(Qt::blue));
    editor.setValues(QPointF(100, 0), 1, "Peaking", QColor());
    QCOMPARE(editor.colourDot()->color(), QColor("#EFE11B"));
}

void TestFloatingPointEditor::gainRangeIsOrderedAndSilent()
{
    FloatingPointEditor editor;
    editor.setGainRange(8, -8);
    QCOMPARE(editor.gainField()->minimum(), -8.0);
    QCOMPARE(editor.gainField()->maximum(), 8.0);
    editor.setGainRange(-10, 10);
    editor.setValues(QPointF(100, 9.5), 1, "Peaking", QColor());
    QCOMPARE(editor.gainField()->value(), 9.5);
    QSignalSpy changed(&editor, &FloatingPointEditor::valuesChanged);
    editor.setGainRange(-8, 8);
    QCOMPARE(editor.gainField()->value(), 8.0);
    QCOMPARE(changed.count(), 0);
}

void TestFloatingPointEditor::userChangesEmitAllValues()
{
    FloatingPointEditor editor;
    editor.setPassive(false);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.setValues(QPointF(1000, 2.0), 1.5, "Low Pass", QColor());
    QSignalSpy changed(&editor, &FloatingPointEditor::valuesChanged);

    editor.gainField()->setFocus();
    QTest::keyClick(editor.gainField(), Qt::Key_Up);
    QCOMPARE(changed.count(), 1);
    Emitted e = last(changed);
    QCOMPARE(e.pos, QPointF(1000, 2.1));
    QCOMPARE(e.q, 1.5);
    QCOMPARE(e.type, QStringLiteral("Low Pass"));

    QTest::keyClick(editor.frequencyField(), Qt::Key_Down);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(last(changed).pos, QPointF(990, 2.1));

    QTest::keyClick(editor.qField(), Qt::Key_Up);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(last(changed).q, 1.51);

    editor.typePicker()->onMenuTriggered(editor.typePicker()->menu()->actions().at(3));
    QCOMPARE(changed.count(), 4);
    QCOMPARE(last(changed).type, QStringLiteral("Low Shelf"));
}

void TestFloatingPointEditor::menuChoiceOfTheCurrentTypeEmitsNothing()
{
    FloatingPointEditor editor;
    FilterTypePicker *picker = editor.typePicker();
    QSignalSpy changed(&editor, &FloatingPointEditor::valuesChanged);
    QSignalSpy index(picker, &FilterTypePicker::currentIndexChanged);
    picker->onMenuTriggered(picker->menu()->actions().at(0));
    picker->onMenuTriggered(nullptr);
    QAction foreign(QStringLiteral("x"));
    picker->onMenuTriggered(&foreign);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(index.count(), 0);
    picker->menu()->actions().at(2)->trigger();
    QCOMPARE(index.count(), 1);
    QCOMPARE(index.last().at(0).toInt(), 2);
    QCOMPARE(picker->button()->text(), picker->labels().at(2));
}

void TestFloatingPointEditor::customModeOffersThreeTypes()
{
    FloatingPointEditor editor;
    editor.setValues(QPointF(100, 0), 1, "High Shelf", QColor());
    editor.setCustomMode(true);
    QCOMPARE(editor.typePicker()->values(), QStringList({"Peaking", "Low Pass", "High Pass"}));
    QCOMPARE(editor.typePicker()->menu()->actions().size(), 3);
    QCOMPARE(editor.typePicker()->currentIndex(), 0);
    editor.setCustomMode(false);
    QCOMPARE(editor.typePicker()->count(), 5);
}

void TestFloatingPointEditor::curvePictureFollowsTheType()
{
    FloatingPointEditor editor;
    QImage previous;
    for (const QString type : {"Peaking", "Low Pass", "High Pass", "Low Shelf", "High Shelf"}) {
        editor.setValues(QPointF(100, 0), 1, type, QColor());
        const QPixmap picture = editor.curvePicture()->pixmap();
        QVERIFY2(!picture.isNull(), qPrintable(type));
        QVERIFY(picture.width() <= 20 && picture.height() <= 20);
        QVERIFY(picture.toImage() != previous);
        previous = picture.toImage();
    }
    QCOMPARE(FloatingPointEditor::filterCurveImage("Disable"), QStringLiteral(":/images/Peaking.png"));
    QCOMPARE(FloatingPointEditor::filterCurveImage("whatever"), QStringLiteral(":/images/Peaking.png"));
}

void TestFloatingPointEditor::focusSelectsWholeField()
{
    FloatingPointEditor editor;
    editor.setPassive(false);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.setValues(QPointF(1234, 1.5), 2.25, "Peaking", QColor());
    for (QDoubleSpinBox *field : {editor.frequencyField(), editor.gainField(), editor.qField()}) {
        QLineEdit *edit = field->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->deselect();
        field->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(edit->selectedText(), field->cleanText());
        QVERIFY(!edit->text().isEmpty());
    }
}

void TestFloatingPointEditor::passiveToggle()
{
    FloatingPointEditor editor;
    editor.setPassive(false);
    QVERIFY(!editor.testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(editor.focusPolicy(), Qt::StrongFocus);
    editor.setPassive(true);
    QVERIFY(editor.testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(editor.focusPolicy(), Qt::NoFocus);

    // A preview takes no keys: a field focused while active lets go of the keyboard.
    editor.setPassive(false);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.activateWindow();
    editor.gainField()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(editor.gainField()->hasFocus());
    editor.setPassive(true);
    QVERIFY(!editor.gainField()->hasFocus());
}

void TestFloatingPointEditor::textsFollowTheLanguage()
{
    FloatingPointEditor editor;
    QCOMPARE(caption(editor, 0)->text(), QStringLiteral("增益"));
    QCOMPARE(FloatingPointEditor::filterTypeDisplayName("Bandstop"), QStringLiteral("Bandstop"));

    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QCoreApplication::processEvents();
    QCOMPARE(caption(editor, 0)->text(), QStringLiteral("Gain"));
    QCOMPARE(caption(editor, 1)->text(), QStringLiteral("Freq"));
    QCOMPARE(caption(editor, 2)->text(), QStringLiteral("Q Value"));
    QCOMPARE(editor.typePicker()->labels().at(1), QStringLiteral("Low Pass"));
    QCoreApplication::removeTranslator(&english);

    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(":/i18n/VELKORA_zh_CN.qm")));
    QCoreApplication::installTranslator(&chinese);
    QCoreApplication::processEvents();
    QCOMPARE(caption(editor, 0)->text(), QStringLiteral("增益"));
    QCOMPARE(editor.typePicker()->labels(),
             QStringList({"  带通   ", "  低通   ", "  高通   ", "  低架   ", "  高架   "}));
    QCOMPARE(editor.typePicker()->button()->text(), QStringLiteral("  带通   "));
    QCOMPARE(editor.typePicker()->menu()->actions().at(4)->text(), QStringLiteral("  高架   "));
    // The keys stay what the curve editor stores.
    QCOMPARE(editor.typePicker()->values().at(4), QStringLiteral("High Shelf"));
    QCoreApplication::removeTranslator(&chinese);
}

QTEST_MAIN(TestFloatingPointEditor)
#include "tst_floatingpointeditor.moc"
