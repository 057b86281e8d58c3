// Selecting with the mouse and the "Checks" panel, through the real window:
// the Shift drag, the selection's keys each undone in one step, and the
// panel following edits, jumping to a finding and reporting a save.

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDockWidget>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QToolButton>

#include "RowBands.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

class AuthoringWindow : public WindowTest {
  protected:
    // An opened chart at tempo 150 with notes at coords 30, 33, 36 and 45,
    // the view at coord 0 (coords up to 80 on the canvas), grid 3.
    void SetUp() override {
        start({writeChart()});
        ChartDocument& doc = window->doc;
        doc.InitArea();
        doc.fillSpeedTempoFrom(0, 150, 150);
        doc.KeyCount = 0;
        for (auto [coord, kind] : {std::pair{30, 16}, {33, 17}, {36, 18}, {45, 19}})
            doc.setNote(coord, uint8_t(kind), 0);
        doc.Combo = 4;
        window->edits.replaced();
        control<QComboBox>("cbNormalize")->setCurrentText("3");
        control<QScrollBar>("vsb")->setValue(0);
        window->ReDrawNote();
        QCoreApplication::processEvents();
    }
    QWidget* canvas() { return control<PictureBox>("picMain"); }
    void shiftDrag(int fromCoord, int toCoord) {
        drag(Qt::LeftButton, rowOf(fromCoord), rowOf(toCoord), 1, Qt::ShiftModifier);
    }
    // The rows each highlight of a surface covers; none when it is hidden.
    std::vector<std::pair<int, int>> bandsOn(const char* surface) {
        std::vector<std::pair<int, int>> rows;
        for (QWidget* child : control<QWidget>(surface)->findChildren<QWidget*>()) {
            if (auto* b = dynamic_cast<RowBands*>(child); b && b->isVisible())
                for (const RowBand& band : b->bands()) rows.emplace_back(band.top, band.bottom);
        }
        return rows;
    }
    std::vector<int> kinds(std::initializer_list<int> coords) const {
        std::vector<int> out;
        for (int c : coords) out.push_back(kind(c));
        return out;
    }
    QString undoText() { return control<QAction>("mnUndo")->text(); }
};

TEST_F(AuthoringWindow, ShiftDragSelectsTheSnappedRangeAndEscClearsIt) {
    QTest::mouseClick(control<QLabel>("imgEle", 20), Qt::LeftButton);  // a plain drag would draw
    shiftDrag(37, 28);                                                 // snaps to 27..36
    EXPECT_EQ(control<QLineEdit>("txFrom")->text(), "27");
    EXPECT_EQ(control<QLineEdit>("txTo")->text(), "36");
    EXPECT_EQ(kinds({27, 30, 33, 36, 39}), (std::vector<int>{0, 16, 17, 18, 0}));
    EXPECT_EQ(window->state.Modified, 0);
    const std::vector<std::pair<int, int>> band{{rowOf(36) - 7, rowOf(27) + 7}};
    for (const char* surface : {"picMain", "picScale", "picKey"})
        EXPECT_EQ(bandsOn(surface), band) << surface;

    QTest::keyClick(canvas(), Qt::Key_Escape);
    EXPECT_TRUE(bandsOn("picMain").empty());
    EXPECT_FALSE(control<QAction>("mnSelCopy")->isEnabled());
    drag(Qt::LeftButton, rowOf(39), rowOf(39), 1);  // plain left still draws
    EXPECT_EQ(kind(39), 20);
}

TEST_F(AuthoringWindow, TheSelectionKeysEachMakeOneUndoStep) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* undo;
        std::vector<int> after;  // kinds at 30, 33, 36, 45, 60, 63, 66
    } cases[] = {
        {Qt::Key_X, Qt::ControlModifier, "&Undo Cut", {0, 0, 0, 19, 0, 0, 0}},
        {Qt::Key_V, Qt::ControlModifier, "&Undo Paste", {16, 17, 18, 19, 16, 17, 18}},
        {Qt::Key_Delete, Qt::NoModifier, "&Undo Delete", {0, 0, 0, 19, 0, 0, 0}},
    };
    const std::vector<int> before{16, 17, 18, 19, 0, 0, 0};
    shiftDrag(30, 36);
    shortcut(Qt::Key_C, Qt::ControlModifier);                       // copies, changes nothing
    QCursor::setPos(canvas()->mapToGlobal(QPoint(20, rowOf(61))));  // pastes at 60
    for (const Case& c : cases) {
        shortcut(c.key, c.mods);
        EXPECT_EQ(kinds({30, 33, 36, 45, 60, 63, 66}), c.after) << c.undo;
        EXPECT_EQ(undoText(), QLatin1String(c.undo));
        control<QAction>("mnUndo")->trigger();
        EXPECT_EQ(kinds({30, 33, 36, 45, 60, 63, 66}), before) << c.undo;
    }
    // A text box with the focus keeps its own Delete.
    QLineEdit* box = control<QLineEdit>("txName");
    box->setFocus();
    box->selectAll();
    shortcut(Qt::Key_Delete);
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(kind(30), 16);
}

TEST_F(AuthoringWindow, TheChecksPanelFollowsEditsJumpsToAFindingAndReportsASave) {
    QSettings settings(path("lumidex.conf"), QSettings::IniFormat);
    window->rememberPlacement(&settings);
    auto* list = control<QListView>("lsChecks");
    auto* count = control<QToolButton>("lbChecks");
    const auto lines = [&] {
        QCoreApplication::processEvents();  // the check runs once the window is idle
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            out << list->model()->index(r, 0).data().toString();
        return out;
    };
    const QString gap = QStringLiteral(
        "diagonal-gap coord 42: the next note, at coord 45, follows this diagonal note by 3 "
        "coords; keep at least 12.");
    EXPECT_EQ(lines(), QStringList());
    EXPECT_EQ(count->text(), "No findings");
    QTest::mouseClick(control<QLabel>("imgEle", 20), Qt::LeftButton);
    drag(Qt::LeftButton, rowOf(42), rowOf(42), 1);
    EXPECT_EQ(lines(), QStringList{gap});
    EXPECT_EQ(count->text(), "1 finding");
    control<QAction>("mnUndo")->trigger();
    EXPECT_EQ(lines(), QStringList());
    control<QAction>("mnRedo")->trigger();
    EXPECT_EQ(lines(), QStringList{gap});

    list->setCurrentIndex(list->model()->index(0, 0));
    emit list->clicked(list->currentIndex());
    EXPECT_EQ(window->view->state().viewBase, 42);
    EXPECT_EQ(bandsOn("picMain"), (std::vector<std::pair<int, int>>{{342, 358}}));

    mark();
    shortcut(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(shownSinceMark().empty());
    EXPECT_EQ(window->state.Modified, 0);
    EXPECT_EQ(count->text(), "Saved with 1 finding");

    // View > "Checks" shows the dock, and the next window remembers it.
    control<QAction>("mnShowChecks")->trigger();
    EXPECT_TRUE(control<QDockWidget>("dkChecks")->isVisible());
    start({}, &settings);
    EXPECT_TRUE(control<QDockWidget>("dkChecks")->isVisible());
}

}  // namespace
}  // namespace lumidex::testing
