// Editing through the real window: mouse and key events sent to the canvas,
// the key strip, the key index box and the "Music Info" boxes, offscreen.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include "fmRandKind.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

class Editing : public WindowTest {
  protected:
    // A chart of 600 coords at 150 BPM filled in directly, viewed at 99,
    // the window active.
    void SetUp() override {
        start();
        w = window.get();
        activate();
        w->doc.fillSpeedTempoFrom(0, 150, 150);
        w->doc.LastCoord = 600;
        w->edits.replaced();
        w->view->setScrollTop();
        scrollTo(99);
    }
    void scrollTo(int value) {
        window->view->scrollTo(value, true);
        window->ReDrawNote();
    }
    double viewBase() const { return window->view->state().viewBase; }

    void click(Qt::MouseButton button, int row) { drag(button, row, row, 0); }
    // Clicks the box itself (its row is wider than what takes a click).
    void toggleKeyboardInput() {
        QTest::mouseClick(control<QCheckBox>("chkKBInput"), Qt::LeftButton, Qt::NoModifier,
                          QPoint(6, control<QCheckBox>("chkKBInput")->height() / 2));
    }
    void pick(int kind) { QTest::mouseClick(control<QLabel>("imgEle", kind), Qt::LeftButton); }

    fmMain* w = nullptr;
};

TEST_F(Editing, PaletteShowsOneSelectionAndHandsTheFocusToTheCanvas) {
    // Nothing chosen after start-up: a click places nothing.
    click(Qt::LeftButton, rowOf(99));
    EXPECT_EQ(kind(99), 0);
    EXPECT_EQ(w->state.Modified, 0);
    for (int k : {16, 24, 0, 130}) {
        pick(k);
        int framed = 0;
        for (QLabel* image : controls<QLabel>("imgEle"))
            framed += image && image->frameStyle() != QFrame::NoFrame;
        EXPECT_EQ(framed, 1);
        EXPECT_NE(control<QLabel>("imgEle", k)->frameStyle(), QFrame::NoFrame);
        EXPECT_TRUE(control<PictureBox>("picMain")->hasFocus());
    }
    // Opening a chart clears the choice.
    w->edits.replaced();
    for (QLabel* image : controls<QLabel>("imgEle"))
        EXPECT_TRUE(!image || image->frameStyle() == QFrame::NoFrame);
}

// Which cell each click and drag writes, with which kind, Combo and the
// step: EditRules. Here: every way the mouse edits reaches the editing.
TEST_F(Editing, CanvasMouseEventsReachTheEditing) {
    pick(16);
    click(Qt::LeftButton, rowOf(96));
    EXPECT_EQ(kind(96), 16);
    EXPECT_EQ(control<QLabel>("lbCombo")->text(), "1");
    EXPECT_EQ(w->state.Modified, 1);
    // A quick second click arrives as a double click; it places its note too.
    mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, rowOf(90));
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, rowOf(90));
    EXPECT_EQ(kind(90), 16);
    // A drag's moves carry the edit to the pointer; the right button erases.
    drag(Qt::LeftButton, rowOf(99), rowOf(130), 3);
    for (int c = 99; c <= 129; c += 3) EXPECT_EQ(kind(c), 16) << c;
    drag(Qt::RightButton, rowOf(130), rowOf(90), 3);
    for (int c = 90; c <= 130; ++c) EXPECT_EQ(kind(c), 0) << c;
    // The random kind draws from the window's set.
    RandomKindSet same;  // the same fixed sequence as the window's
    pick(6);
    drag(Qt::LeftButton, rowOf(99), rowOf(160), 5);
    for (int c = 99; c <= 159; c += 3) EXPECT_EQ(kind(c), same.RandomKind()) << c;
}

TEST_F(Editing, KeyboardEntryWritesAtTheBaselineAndSteps) {
    toggleKeyboardInput();
    EXPECT_TRUE(control<PictureBox>("picMain")->hasFocus());
    tap(Qt::Key_Up);
    EXPECT_EQ(kind(99), 16);
    EXPECT_EQ(viewBase(), 102);
    EXPECT_EQ(w->state.Modified, 1);

    // A held key repeats: only the first press writes.
    key(Qt::Key_Right);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(control<PictureBox>("picMain"), &repeat);
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(control<PictureBox>("picMain"), &repeatUp);
    QApplication::sendEvent(control<PictureBox>("picMain"), &repeat);
    keyUp(Qt::Key_Right);
    EXPECT_EQ(kind(102), 19);
    EXPECT_EQ(kind(105), 0);
    EXPECT_EQ(viewBase(), 105);

    // Shift+Up, then Shift+Left while Up is held: one diagonal, one advance.
    key(Qt::Key_Shift, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    keyUp(Qt::Key_Left, Qt::ShiftModifier);
    keyUp(Qt::Key_Up, Qt::ShiftModifier);
    keyUp(Qt::Key_Shift);
    EXPECT_EQ(kind(105), 20);
    EXPECT_EQ(viewBase(), 108);

    // An arrow whose release went elsewhere does not block it afterwards.
    key(Qt::Key_Down);
    control<QLineEdit>("txName")->setFocus();
    control<PictureBox>("picMain")->setFocus();
    tap(Qt::Key_Down);
    EXPECT_EQ(kind(108), 17);
    EXPECT_EQ(kind(111), 17);
    EXPECT_EQ(viewBase(), 114);

    tap(Qt::Key_Space);
    tap(Qt::Key_Backspace);
    tap(Qt::Key_Backspace);
    EXPECT_EQ(viewBase(), 111);
    EXPECT_EQ(kind(111), 0);

    // While playing, notes go to the play position and the view stays.
    w->view->state().playing = true;
    w->view->state().viewBase = 250;
    tap(Qt::Key_Up);
    EXPECT_EQ(kind(250), 16);
    EXPECT_EQ(control<QScrollBar>("vsb")->value(), 111);
    w->view->state().playing = false;
    scrollTo(111);
    tap(Qt::Key_Left, Qt::ControlModifier);  // Ctrl reaches the entry too
    EXPECT_EQ(kind(111), 26);

    // Off: the arrows do nothing.
    toggleKeyboardInput();
    control<PictureBox>("picMain")->setFocus();
    tap(Qt::Key_Up);
    EXPECT_EQ(kind(114), 0);
    EXPECT_EQ(viewBase(), 114);
}

// Where the box walks, what it stores and refuses: EditRules. Here: the
// box on the strip, its keys, and the focus a refused text keeps.
TEST_F(Editing, KeyBoxOpensOnTheStripAndFollowsItsKeys) {
    w->doc.setNote(100, 16, 3);
    w->doc.setNote(110, 128, 0);
    w->ReDrawNote();
    QLineEdit* box = control<QLineEdit>("txFxSnd");
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, rowOf(100),
          control<PictureBox>("picKey"));
    ASSERT_TRUE(box->isVisible());
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(box->y(), rowOf(100) - 7);
    EXPECT_EQ(box->selectedText(), "3");
    QTest::keyClicks(box, "12");
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(w->doc.cell(100).FxSndIndex, 12);
    EXPECT_EQ(w->state.Modified, 1);

    box->setText("2001");
    const int beeps = ui.beeps();
    leave();
    EXPECT_EQ(ui.beeps(), beeps + 1);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->hasFocus());
    // Alt+Up moves the note and the box with it (14/3 rows a coord, rounded).
    box->clear();
    const int top = box->y();
    QTest::keyClick(box, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(kind(111), 128);
    EXPECT_EQ(box->y(), top - 5);
    // Page Up scrolls a page with the box; Enter hands the focus to the canvas.
    const int value = control<QScrollBar>("vsb")->value();
    QTest::keyClick(box, Qt::Key_PageUp);
    EXPECT_EQ(control<QScrollBar>("vsb")->value(), value + 96);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(control<PictureBox>("picMain")->hasFocus());
}

TEST_F(Editing, HeaderBoxesRefuseWithABeepAndAcceptIntoTheChart) {
    w->doc.LastCoord = 2000;
    w->view->setScrollTop();
    scrollTo(500);
    // One refusal and one entry a box (which texts each box refuses: EditRules).
    const struct {
        const char* box;
        const char* refused;
        const char* accepted;
        std::function<double()> stored;
        double want;
    } boxes[] = {
        {"txBPM", "0", "1.5", [&] { return w->doc.cell(999).Speed; }, 1.5},
        {"txBPMO", "1e23", "75", [&] { return w->doc.cell(2000).Tempo; }, 75},
        {"txLength", "abc", "120.4", [&] { return w->doc.LastCoord; }, 120},
        {"txDelay", "1,5", "12.5", [&] { return w->doc.Delay; }, 12.5},
        {"txBGMVolume", "x", "0.8", [&] { return w->doc.keySound(0).Volume.toDouble(); }, 0.8},
        {"txLongCorrectVal", "", "6.5", [&] { return w->doc.LongCorrection; }, 6},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.box);
        QLineEdit* box = control<QLineEdit>(b.box);
        w->state.Modified = 0;
        const int beeps = ui.beeps();
        enter(box, b.refused);
        EXPECT_EQ(ui.beeps(), beeps + 1);
        EXPECT_TRUE(box->hasFocus());
        EXPECT_EQ(w->state.Modified, 0);
        enter(box, b.accepted);
        EXPECT_EQ(b.stored(), b.want);
        EXPECT_EQ(w->state.Modified, 1);
    }
    // A refusal says why in the status bar (the texts are HeaderFields').
    enter(control<QLineEdit>("txBPMO"), "0");
    EXPECT_EQ(w->statusBar()->currentMessage(), "The tempo must be from 1 to 10000 BPM.");
    control<QLineEdit>("txBPMO")->setModified(false);  // give up the entry
    // A repaint does not overwrite the box being typed in.
    typeInto(control<QLineEdit>("txBPM"), "2.5");
    w->ReDrawNote();
    EXPECT_EQ(control<QLineEdit>("txBPM")->text(), "2.5");
    leave();
    typeInto(control<QLineEdit>("txBGM"), "song.ogg");
    EXPECT_EQ(w->doc.keySound(0).Snd, "song.ogg");

    // Scrolling across a speed change rewrites the box but is no edit.
    w->doc.setSpeed(60, 2);
    w->state.Modified = 0;
    scrollTo(0);
    scrollTo(60);
    EXPECT_EQ(control<QLineEdit>("txBPM")->text(), "2");
    EXPECT_EQ(w->state.Modified, 0);
    typeInto(control<QLineEdit>("txName"), "New name");
    EXPECT_EQ(w->doc.Header.Name, "New name");
    EXPECT_EQ(w->state.Modified, 1);

    // A number still being typed when the window closes is taken first, so
    // the save question is asked.
    w->state.Modified = 0;
    typeInto(control<QLineEdit>("txDelay"), "30");
    ui.messageAnswers = {MsgAnswer::Cancel};
    EXPECT_FALSE(w->close());
    EXPECT_EQ(w->doc.Delay, 30);
    EXPECT_EQ(ui.messages().last(), kSaveQuestion);
}

TEST_F(Editing, RandomKindDialogShowsTheSetAndRefusesAnEmptyChoice) {
    std::vector<int> checked;
    int beeps = -1;
    // Runs inside the modal dialog once it is shown.
    const auto inDialog = [&](const std::function<void(fmRandKind&)>& act) {
        QTimer::singleShot(0, [&, act] {
            auto* dialog = dynamic_cast<fmRandKind*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
        });
        w->canvas->mnRandKind_Click();
    };
    inDialog([&](fmRandKind& d) {
        for (int k = 0; k < kKindSlots; ++k) {
            if (!d.chkKind[k]) continue;
            EXPECT_FALSE(d.imgKind[k]->pixmap().isNull()) << k;
            if (d.chkKind[k]->isChecked()) checked.push_back(k);
            d.chkKind[k]->setChecked(k == 18 || k == 19 || k == 26);
        }
        QTest::mouseClick(d.cmOK, Qt::LeftButton);
    });
    EXPECT_EQ(checked, (std::vector<int>{16, 17, 18, 19}));
    EXPECT_EQ(w->randomKinds.kinds(), (std::vector<uint8_t>{18, 19, 26}));

    // Nothing checked: a beep, the dialog stays until closed, the set stays.
    inDialog([&](fmRandKind& d) {
        for (QCheckBox* box : d.chkKind)
            if (box) box->setChecked(false);
        const int before = ui.beeps();
        QTest::mouseClick(d.cmOK, Qt::LeftButton);
        beeps = ui.beeps() - before;
        EXPECT_TRUE(d.isVisible());
        d.reject();
    });
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(w->randomKinds.kinds(), (std::vector<uint8_t>{18, 19, 26}));
}

}  // namespace
}  // namespace lumidex::testing
