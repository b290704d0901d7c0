// FindBar: the bar under the display that holds the search text, the buttons
// to the previous and next match, the match count, the option to compare case
// and width exactly, and a close button. Enter and Shift+Enter in the text go
// to the next and previous match; Escape closes the bar.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace chatscope {

class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    QString Text() const;
    bool Exact() const;
    void SetCountText(const QString& text);
    QString CountText() const;
    QLineEdit* Field() const { return field_; }
    QCheckBox* ExactOption() const { return exact_; }
    // Shows the bar with its text selected and the focus in it.
    void Open();
    // Puts `text` and the option into the bar: one SearchChanged for both.
    void SetSearch(const QString& text, bool exact);

signals:
    // The text or the option changed.
    void SearchChanged();
    void NextRequested();
    void PreviousRequested();
    // The bar was closed (the close button or Escape).
    void CloseRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* field_;
    QToolButton* previous_;
    QToolButton* next_;
    QLabel* count_;
    QCheckBox* exact_;
    QToolButton* close_;
};

}  // namespace chatscope
