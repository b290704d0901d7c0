// LogDisplay: the virtualised display, its sink, selection, editing, saves and
// what assistive technologies see.
#include <QtTest>

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include "chatscope/colour.h"
#include "display/display_sink.h"
#include "display/log_display.h"
#include "test_support/test_files.h"

using namespace chatscope;
using testsupport::ReadFile;

namespace {

const char kNihon[] = "\x93\xfa\x96\x7b";  // 日本
const char kSo[] = "\x83\x5c";             // ソ, second byte 0x5C

// Types text that QTest::keyClicks cannot (beyond Latin-1), as a keyboard would.
void TypeText(QWidget* w, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// Three lines: "abc" red, "日本xy" green, "ソ" blue.
void FillThree(LogDisplay& display) {
    display.AppendLine("abc", 0x0000FF);
    display.AppendLine(std::string(kNihon) + "xy", 0x00FF00);
    display.AppendLine(kSo, 0xFF0000);
    display.EndOfBatch();
}

}  // namespace

class TestLogDisplay : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsWithOneEmptyLineAndClearsBack();
    void sinkBrightensAndIndents();
    void paintsVisibleLinesInTheirColours();
    void scrollRangesFollowTheLines();
    void selectionAcrossLinesAndCopy();
    void selectionByKeyboardAndMouse();
    void upAndDownKeepTheGoalColumn_data();
    void upAndDownKeepTheGoalColumn();
    void typingEditsInPlace();
    void undoRedoRestoreLinesAndColours();
    void inputMethodPasteAndLineBreak();
    void contextMenuReachesTheDisplay();
    void savesWriteThePresentContent();
    void accessibleTextCaretAndSelection();
    void accessibleScrollAndWholeTextOfALargeDocument();

private:
    std::unique_ptr<LogDisplay> display_;
};

void TestLogDisplay::init() {
    display_ = std::make_unique<LogDisplay>();
    display_->resize(400, 200);
    display_->SetBackgroundColour(0x000000);
    display_->show();
    QVERIFY(QTest::qWaitForWindowExposed(display_.get()));
}

void TestLogDisplay::startsWithOneEmptyLineAndClearsBack() {
    LogDisplay& d = *display_;
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QString());
    QVERIFY(!d.HasSelection());
    // The first line appended takes the place of the empty start line.
    FillThree(d);
    QCOMPARE(d.LineCount(), 3);
    d.SetSelection(0, 1, 2, 1);
    QSignalSpy spy(&d, &LogDisplay::selectionChanged);
    d.Clear();
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QString());
    QVERIFY(!d.HasSelection());
    QCOMPARE(spy.count(), 1);
    // Cleared after edits: edits and their undo history are gone.
    FillThree(d);
    d.InsertText(QStringLiteral("typed\n"));
    QVERIFY(d.IsEditing());
    d.Clear();
    QVERIFY(!d.IsEditing());
    QCOMPARE(d.LineCount(), 1);
    d.setFocus();
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QString());
    // An empty first line is a line of its own.
    d.AppendLine("", 0x654321);
    d.AppendLine("again", 0x123456);
    d.EndOfBatch();
    QCOMPARE(d.LineCount(), 2);
    QCOMPARE(d.LineText(0), QString());
    QCOMPARE(d.LineColour(0), 0x654321u);
    QCOMPARE(d.LineText(1), QStringLiteral("again"));
    QCOMPARE(d.LineColour(1), 0x123456u);
}

void TestLogDisplay::sinkBrightensAndIndents() {
    LogDisplay& d = *display_;
    DisplaySink sink(d);
    sink.Put(1, 0x00123456, "plain", false);
    sink.Put(2, 0xAB9F00A9, kNihon, true);  // top byte ignored
    sink.Put(3, 0xFF000000, "", true);
    sink.Put(4, 0x00FFFFFF, "", false);
    d.EndOfBatch();
    QCOMPARE(d.LineCount(), 4);
    QCOMPARE(d.LineText(0), QStringLiteral("plain"));
    QCOMPARE(d.LineColour(0), 0x0081531Cu);
    QCOMPARE(d.LineText(1), QString::fromUtf8("\u3000\u3000日本"));
    QCOMPARE(d.LineColour(1), 0x00FD00FEu);
    QCOMPARE(d.LineColour(1), BrightenColour(0x009F00A9));
    QCOMPARE(d.LineText(2), QString::fromUtf8("\u3000\u3000"));
    QCOMPARE(d.LineColour(2), 0u);
    QCOMPARE(d.LineText(3), QString());
    QCOMPARE(d.LineColour(3), 0xFFFFFFu);
}

void TestLogDisplay::paintsVisibleLinesInTheirColours() {
    LogDisplay& d = *display_;
    d.SetBackgroundColour(0x00402010);  // R 0x10, G 0x20, B 0x40
    std::string block;
    for (int i = 0; i < 20; ++i) block += "\x81\xa1";  // ■ x20
    d.AppendLine(block, 0x0000FF);                     // red
    d.AppendLine(block, 0xFF0000);                     // blue
    d.EndOfBatch();
    const QImage image = d.grab().toImage();
    QCOMPARE(QColor(image.pixel(image.width() - 30, image.height() - 30)), QColor(0x10, 0x20, 0x40));
    int red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 200 && c.blue() < 80) ++red;
            if (c.blue() > 200 && c.red() < 80) ++blue;
        }
    QVERIFY2(red > 50, qPrintable(QString::number(red)));
    QVERIFY2(blue > 50, qPrintable(QString::number(blue)));
}

void TestLogDisplay::scrollRangesFollowTheLines() {
    LogDisplay& d = *display_;
    for (int i = 0; i < 1000; ++i) d.AppendLine("line", 0xFFFFFF);
    d.AppendLine(std::string(400, 'W'), 0xFFFFFF);
    d.EndOfBatch();
    QScrollBar* v = d.verticalScrollBar();
    QVERIFY(v->maximum() > 950 && v->maximum() < 1001);
    QCOMPARE(v->maximum() + v->pageStep(), 1001);
    QVERIFY(d.horizontalScrollBar()->maximum() > 1000);
    d.Clear();
    QCOMPARE(v->maximum(), 0);
    QCOMPARE(d.horizontalScrollBar()->maximum(), 0);
    // Ctrl+End brings the last line into view.
    for (int i = 0; i < 200; ++i) d.AppendLine(std::to_string(i), 0xFFFFFF);
    d.EndOfBatch();
    d.setFocus();
    QTest::keyClick(&d, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(v->value(), v->maximum());
}

void TestLogDisplay::selectionAcrossLinesAndCopy() {
    LogDisplay& d = *display_;
    FillThree(d);
    QSignalSpy spy(&d, &LogDisplay::selectionChanged);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    d.Copy();  // nothing selected: the clipboard keeps its text
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    d.SetSelection(0, 1, 2, 1);
    QVERIFY(d.HasSelection());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("bc\n日本xy\nソ"));
    d.Copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("bc\n日本xy\nソ"));
    // Backwards selections are the same text; columns past the end are clamped.
    d.SetSelection(1, 99, 0, 2);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("c\n日本xy"));
    QCOMPARE(spy.count(), 2);
    // Same range again: no signal. Collapsing: one signal, then none.
    d.SetSelection(1, 99, 0, 2);
    QCOMPARE(spy.count(), 2);
    d.SetSelection(1, 1, 1, 1);
    QCOMPARE(spy.count(), 3);
    QVERIFY(!d.HasSelection());
    QCOMPARE(d.SelectedText(), QString());
    d.SetSelection(0, 0, 0, 0);
    QCOMPARE(spy.count(), 3);
    d.SelectAll();
    QCOMPARE(d.SelectedText(), QString::fromUtf8("abc\n日本xy\nソ"));
    QCOMPARE(spy.count(), 4);
}

void TestLogDisplay::selectionByKeyboardAndMouse() {
    LogDisplay& d = *display_;
    FillThree(d);
    d.setFocus();
    QSignalSpy spy(&d, &LogDisplay::selectionChanged);
    QTest::keyClick(&d, Qt::Key_Right);
    QVERIFY(!d.HasSelection());
    QCOMPARE(spy.count(), 0);
    QTest::keyClick(&d, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&d, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("bc\n日本"));
    QCOMPARE(spy.count(), 2);
    QTest::keyClick(&d, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("bc\n日本"));
    QTest::keyClick(&d, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("abc\n日本xy\nソ"));
    // Word steps with Ctrl.
    d.Clear();
    d.AppendLine("one two  three", 0xFFFFFF);
    d.EndOfBatch();
    QTest::keyClick(&d, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.SelectedText(), QStringLiteral("one "));
    QTest::keyClick(&d, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.SelectedText(), QStringLiteral("one two  "));
    QTest::keyClick(&d, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.SelectedText(), QStringLiteral("one "));
    QVERIFY(!d.IsEditing());  // none of this is an edit
    d.Clear();
    FillThree(d);

    // Drag from the start of line 0 to the middle of line 2.
    const int lineHeight = d.fontMetrics().height();
    QWidget* vp = d.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(1, lineHeight / 2));
    QVERIFY(!d.HasSelection());
    QMouseEvent move(QEvent::MouseMove, QPointF(200, lineHeight * 2 + lineHeight / 2),
                     vp->mapToGlobal(QPointF(200, lineHeight * 2 + lineHeight / 2)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(200, lineHeight * 2 + lineHeight / 2));
    QCOMPARE(d.SelectedText(), QString::fromUtf8("abc\n日本xy\nソ"));
    // Shift-click shortens it from the same anchor.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, lineHeight + lineHeight / 2));
    QCOMPARE(d.SelectedText(), QString::fromUtf8("abc\n日本xy"));
    // A double click selects the word under the mouse.
    QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(8, lineHeight / 2));
    QCOMPARE(d.SelectedText(), QStringLiteral("abc"));
}

void TestLogDisplay::upAndDownKeepTheGoalColumn_data() {
    // Keys: D/U down/up, d shift+down, L left, E end, x types "x"; from line 0, column 20.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::newRow("over a short line") << "DD" << 2 << 20;
    QTest::newRow("onto a short line") << "D" << 1 << 2;
    QTest::newRow("down and back up") << "DU" << 0 << 20;
    QTest::newRow("selecting") << "dd" << 2 << 20;
    QTest::newRow("onto the last line") << "DDD" << 3 << 1;
    QTest::newRow("left forgets it") << "DLD" << 2 << 1;
    QTest::newRow("end forgets it") << "DED" << 2 << 2;
    QTest::newRow("typing forgets it") << "DxD" << 2 << 3;
}

void TestLogDisplay::upAndDownKeepTheGoalColumn() {
    QFETCH(QString, keys);
    QFETCH(int, line);
    QFETCH(int, column);
    LogDisplay& d = *display_;
    const std::string longLine(25, 'a');
    for (const std::string& text : {longLine, std::string("bb"), longLine, std::string("c")})
        d.AppendLine(text, 0xFFFFFF);
    d.EndOfBatch();
    d.SetSelection(0, 20, 0, 20);
    for (QChar k : keys) {
        switch (k.toLatin1()) {
        case 'D': QTest::keyClick(&d, Qt::Key_Down); break;
        case 'U': QTest::keyClick(&d, Qt::Key_Up); break;
        case 'd': QTest::keyClick(&d, Qt::Key_Down, Qt::ShiftModifier); break;
        case 'L': QTest::keyClick(&d, Qt::Key_Left); break;
        case 'E': QTest::keyClick(&d, Qt::Key_End); break;
        case 'x': QTest::keyClick(&d, Qt::Key_X); break;
        }
    }
    const Pos caret = d.PositionOf(d.CaretOffset());
    QCOMPARE(caret.line, line);
    QCOMPARE(caret.column, column);
}

void TestLogDisplay::typingEditsInPlace() {
    LogDisplay& d = *display_;
    FillThree(d);
    d.setFocus();
    d.SetSelection(1, 2, 1, 2);  // caret between 日本 and xy
    QSignalSpy spy(&d, &LogDisplay::selectionChanged);
    QTest::keyClicks(&d, QStringLiteral("Q!"));
    QVERIFY(d.IsEditing());
    QCOMPARE(spy.count(), 0);  // the caret moved, nothing was selected
    QCOMPARE(d.LineCount(), 3);
    QCOMPARE(d.LineText(0), QStringLiteral("abc"));
    QCOMPARE(d.LineText(1), QString::fromUtf8("日本Q!xy"));
    QCOMPARE(d.LineText(2), QString::fromUtf8("ソ"));
    QCOMPARE(d.LineColour(0), 0x0000FFu);
    QCOMPARE(d.LineColour(1), 0x00FF00u);
    QCOMPARE(d.LineColour(2), 0xFF0000u);
    // Selection and copy work on the edited content.
    d.SetSelection(0, 2, 1, 1);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("c\n日"));
    d.Copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("c\n日"));
    // Typing over a selection replaces it (the selection is gone: one signal).
    QTest::keyClick(&d, Qt::Key_Z);
    QCOMPARE(spy.count(), 2);
    QVERIFY(!d.HasSelection());
    QCOMPARE(d.LineCount(), 2);
    QCOMPARE(d.LineText(0), QString::fromUtf8("abz本Q!xy"));
    QCOMPARE(d.LineColour(0), 0x0000FFu);  // the joined line keeps the first line's colour
    QTest::keyClick(&d, Qt::Key_Backspace);
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab本Q!xy"));
    // Backspace at a line start joins it to the line above; Delete at a line end
    // joins the next one.
    d.SetSelection(1, 0, 1, 0);
    QTest::keyClick(&d, Qt::Key_Backspace);
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab本Q!xyソ"));
    QTest::keyClick(&d, Qt::Key_Return);
    QCOMPARE(d.LineCount(), 2);
    QCOMPARE(d.LineColour(1), 0x0000FFu);  // both halves of a broken line keep its colour
    QTest::keyClick(&d, Qt::Key_Left);
    QTest::keyClick(&d, Qt::Key_Delete);
    QCOMPARE(d.LineCount(), 1);
    QTest::keyClick(&d, Qt::Key_Delete);
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab本Q!xy"));
    // Backspace and Delete never split a surrogate pair.
    d.SetSelection(0, 2, 0, 2);
    TypeText(&d, QString::fromUtf8("😀"));
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab😀本Q!xy"));
    QTest::keyClick(&d, Qt::Key_Backspace);
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab本Q!xy"));
    TypeText(&d, QString::fromUtf8("😀"));
    QTest::keyClick(&d, Qt::Key_Left);
    QTest::keyClick(&d, Qt::Key_Delete);
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab本Q!xy"));
    // Nothing to delete at the very start and end.
    d.SetSelection(0, 0, 0, 0);
    QTest::keyClick(&d, Qt::Key_Backspace);
    QTest::keyClick(&d, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&d, Qt::Key_Delete);
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QString::fromUtf8("ab本Q!xy"));
}

void TestLogDisplay::undoRedoRestoreLinesAndColours() {
    LogDisplay& d = *display_;
    FillThree(d);
    d.setFocus();
    d.SetSelection(0, 1, 2, 1);
    QTest::keyClick(&d, Qt::Key_X, Qt::ControlModifier);  // cut across all three lines
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("bc\n日本xy\nソ"));
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QStringLiteral("a"));
    QTest::keyClicks(&d, QStringLiteral("12"));
    QCOMPARE(d.LineText(0), QStringLiteral("a12"));
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(d.LineText(0), QStringLiteral("a"));
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(d.LineCount(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(d.LineText(i), QStringList({"abc", QString::fromUtf8("日本xy"), QString::fromUtf8("ソ")})[i]);
    QCOMPARE(d.LineColour(1), 0x00FF00u);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("bc\n日本xy\nソ"));  // the selection comes back too
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);              // nothing more to undo
    QCOMPARE(d.LineCount(), 3);
    QTest::keyClick(&d, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(d.LineCount(), 1);
    QCOMPARE(d.LineText(0), QStringLiteral("a"));
    QTest::keyClick(&d, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(d.LineText(0), QStringLiteral("a1"));
    // A new edit drops what could be redone.
    QTest::keyClick(&d, Qt::Key_Q);
    QTest::keyClick(&d, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(d.LineText(0), QStringLiteral("a1q"));
    // The saves see the undone content.
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    QTemporaryDir dir;
    QVERIFY(d.SavePlainText(dir.filePath("undone.txt")));
    QCOMPARE(ReadFile(dir.filePath("undone.txt")), QByteArray("abc\r\n\x93\xfa\x96\x7bxy\r\n\x83\x5c"));
}

void TestLogDisplay::inputMethodPasteAndLineBreak() {
    LogDisplay& d = *display_;
    FillThree(d);
    d.setFocus();
    d.SetSelection(0, 3, 0, 3);
    // Composition shows at the caret but is not content until committed.
    const QImage before = d.grab().toImage();
    QInputMethodEvent compose(QString::fromUtf8("かんじ"), {});
    QApplication::sendEvent(&d, &compose);
    QCOMPARE(d.LineText(0), QStringLiteral("abc"));
    QVERIFY(!d.IsEditing());
    QVERIFY(d.grab().toImage() != before);
    QInputMethodEvent cancel(QString(), {});
    QApplication::sendEvent(&d, &cancel);
    QCOMPARE(d.grab().toImage(), before);
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("漢字"));
    QApplication::sendEvent(&d, &commit);
    QVERIFY(d.IsEditing());
    QCOMPARE(d.LineText(0), QString::fromUtf8("abc漢字"));
    QCOMPARE(static_cast<QWidget&>(d).inputMethodQuery(Qt::ImCursorPosition).toInt(), 5);
    QCOMPARE(static_cast<QWidget&>(d).inputMethodQuery(Qt::ImSurroundingText).toString(), QString::fromUtf8("abc漢字"));
    QTest::keyClick(&d, Qt::Key_Return);
    QCOMPARE(d.LineCount(), 4);
    QCOMPARE(d.LineText(1), QString());
    // A multi-line paste (CR LF and LF) splits into lines in the colour of the
    // line it lands in; the end of that line follows the pasted text.
    d.SetSelection(2, 2, 2, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("p1\r\np2\np3"));
    QTest::keyClick(&d, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(d.LineCount(), 6);
    QCOMPARE(d.LineText(2), QString::fromUtf8("日本p1"));
    QCOMPARE(d.LineText(3), QStringLiteral("p2"));
    QCOMPARE(d.LineText(4), QStringLiteral("p3xy"));
    QCOMPARE(d.LineColour(3), 0x00FF00u);
    QCOMPARE(d.LineColour(4), 0x00FF00u);
    QCOMPARE(d.LineText(5), QString::fromUtf8("ソ"));
}

void TestLogDisplay::contextMenuReachesTheDisplay() {
    // The window's popup menu hangs on the display.
    LogDisplay& d = *display_;
    FillThree(d);
    d.setContextMenuPolicy(Qt::CustomContextMenu);
    QSignalSpy menu(&d, &QWidget::customContextMenuRequested);
    QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(5, 5), d.viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(d.viewport(), &ev);
    QCOMPARE(menu.count(), 1);
}

void TestLogDisplay::savesWriteThePresentContent() {
    LogDisplay& d = *display_;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DisplaySink sink(d);
    sink.Put(0, 0x00FF0000, "a{b}", false);  // red 255 -> display 0x0000FF
    sink.Put(0, 0x000000FF, kSo, true);      // blue 255
    d.EndOfBatch();

    const QString txt = dir.filePath("view.txt");
    QVERIFY(d.SavePlainText(txt));
    QCOMPARE(ReadFile(txt), QByteArray("a{b}\r\n\x81\x40\x81\x40\x83\x5c"));
    const QString doc = dir.filePath("view.doc");
    QVERIFY(d.SaveRtf(doc));
    QByteArray rtf = ReadFile(doc);
    QVERIFY(rtf.contains("\\ansicpg932"));
    QVERIFY(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"));
    QVERIFY2(rtf.contains("\\cf1 a\\{b\\}\\par\n\\cf2 \\'81\\'40\\'81\\'40\\'83\\'5c\\par\n}"), rtf.constData());

    // After edits the saves take the edited content; an emoji becomes "?" in
    // the text file and \uN in the RTF.
    d.setFocus();
    d.SetSelection(0, 4, 0, 4);
    TypeText(&d, QString::fromUtf8("😀x"));
    QVERIFY(d.IsEditing());
    QVERIFY(d.SavePlainText(txt));
    QCOMPARE(ReadFile(txt), QByteArray("a{b}?x\r\n\x81\x40\x81\x40\x83\x5c"));
    QVERIFY(d.SaveRtf(doc));
    rtf = ReadFile(doc);
    QVERIFY2(rtf.contains("\\cf1 a\\{b\\}\\u-10179?\\u-8704?x\\par\n\\cf2 \\'81\\'40\\'81\\'40\\'83\\'5c\\par\n}"),
             rtf.constData());
}

void TestLogDisplay::accessibleTextCaretAndSelection() {
    LogDisplay& d = *display_;
    FillThree(d);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&d);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::EditableText);
    QAccessibleTextInterface* text = iface->textInterface();
    QVERIFY(text);
    const QString all = QString::fromUtf8("abc\n日本xy\nソ");
    QCOMPARE(text->characterCount(), static_cast<int>(all.size()));
    QCOMPARE(text->text(0, text->characterCount()), all);
    QCOMPARE(iface->text(QAccessible::Value), all);  // a small document is given whole
    QCOMPARE(text->text(2, 6), QString::fromUtf8("c\n日本"));
    int start = -1, end = -1;
    QCOMPARE(text->textAtOffset(5, QAccessible::LineBoundary, &start, &end), QString::fromUtf8("日本xy\n"));
    QCOMPARE(start, 4);
    QCOMPARE(end, 9);
    QCOMPARE(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end), QString::fromUtf8("ソ"));

    // Character rectangles and hit tests agree, in screen coordinates.
    const QRect rect = text->characterRect(5);  // 本
    QVERIFY(rect.width() > 4 && rect.height() > 4);
    QVERIFY(rect.left() > text->characterRect(4).left());
    QVERIFY(rect.top() > text->characterRect(1).top());
    QCOMPARE(text->offsetAtPoint(rect.topLeft() + QPoint(1, rect.height() / 2)), 5);
    QCOMPARE(text->offsetAtPoint(d.mapToGlobal(QPoint(-50, -50))), -1);

    QCOMPARE(text->selectionCount(), 0);
    d.SetSelection(0, 1, 1, 2);
    QCOMPARE(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    QCOMPARE(start, 1);
    QCOMPARE(end, 6);
    QCOMPARE(text->cursorPosition(), 6);
    text->setSelection(0, 5, 10);
    QCOMPARE(d.SelectedText(), QString::fromUtf8("本xy\nソ"));
    text->setCursorPosition(2);
    QVERIFY(!d.HasSelection());
    QCOMPARE(text->cursorPosition(), 2);

    // After an edit the offsets follow the new text.
    d.SetSelection(0, 3, 0, 3);
    d.InsertText(QStringLiteral("-"));
    QCOMPARE(text->text(0, text->characterCount()), QString::fromUtf8("abc-\n日本xy\nソ"));
    d.SetSelection(1, 1, 2, 0);
    text->selection(0, &start, &end);
    QCOMPARE(start, 6);
    QCOMPARE(end, 10);
    const QRect edited = text->characterRect(6);
    QVERIFY(edited.width() > 4);
    QCOMPARE(text->offsetAtPoint(edited.topLeft() + QPoint(1, edited.height() / 2)), 6);
}

void TestLogDisplay::accessibleScrollAndWholeTextOfALargeDocument() {
    LogDisplay& d = *display_;
    const int lines = 40000;  // 40 characters and a break each: over a million characters
    for (int i = 0; i < lines; ++i) d.AppendLine(QByteArray::number(i).rightJustified(40, '-').toStdString(), 0xFFFFFF);
    d.EndOfBatch();
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&d)->textInterface();

    // Scrolling to a range shows it and leaves the selection alone.
    d.SetSelection(0, 1, 0, 3);
    const int target = d.OffsetOf(30000, 5);
    text->scrollToSubstring(target, target + 3);
    QCOMPARE(d.SelectedText(), QStringLiteral("--"));
    QVERIFY(d.verticalScrollBar()->value() > 29900);
    QVERIFY(!text->characterRect(target).isEmpty());

    // The whole text is an excerpt around the caret, with its true offsets.
    d.SetSelection(20000, 0, 20000, 0);
    const QString value = QAccessible::queryAccessibleInterface(&d)->text(QAccessible::Value);
    QVERIFY(value.size() < 100000);
    QVERIFY(value.contains(QStringLiteral("--20000\n")));
    int start = -1, end = -1;
    QCOMPARE(text->textAtOffset(0, QAccessible::NoBoundary, &start, &end), value);
    QVERIFY(start < d.CaretOffset() && d.CaretOffset() < end);
    QCOMPARE(text->text(start, end), value);
    // All the text asked for by offsets: cut, but from the offset asked for.
    const QString all = text->text(0, text->characterCount());
    QVERIFY(all.size() < text->characterCount());
    QVERIFY(all.startsWith(d.LineText(0) + QLatin1Char('\n') + d.LineText(1)));
}

QTEST_MAIN(TestLogDisplay)
#include "tst_logdisplay.moc"
