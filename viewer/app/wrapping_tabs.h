// A page control whose tab row wraps onto further rows when the captions do
// not fit the width, so every caption stays visible. Offers the part of
// QTabWidget's interface the statistics window uses.
#pragma once

#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QStackedWidget;

namespace chatscope {

// One caption of the tab row: a checkable button drawn as a tab.
class TabButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TabButton(const QString& caption, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

signals:
    // Left/Up (-1) or Right/Down (+1) pressed on the focused tab.
    void StepRequested(int step);
};

// The row of tab buttons, laid out left to right and wrapped at the width.
class TabRow : public QWidget {
    Q_OBJECT
public:
    explicit TabRow(QWidget* parent = nullptr);
    void AddButton(TabButton* button);
    const std::vector<TabButton*>& Buttons() const { return buttons_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the buttons for `width`; returns the height used. Moves them only when `apply`.
    int Arrange(int width, bool apply) const;

    std::vector<TabButton*> buttons_;
};

class WrappingTabs : public QWidget {
    Q_OBJECT
public:
    explicit WrappingTabs(QWidget* parent = nullptr);

    int addTab(QWidget* page, const QString& caption);
    int count() const;
    int currentIndex() const;
    QWidget* currentWidget() const;
    QWidget* widget(int index) const;
    QString tabText(int index) const;
    TabButton* tabButton(int index) const;
    TabRow* tabRow() const { return row_; }

public slots:
    void setCurrentIndex(int index);
    void setCurrentWidget(QWidget* page);

signals:
    void currentChanged(int index);

private:
    void Step(int step);  // next or previous page, wrapping

    TabRow* row_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QButtonGroup* group_ = nullptr;
};

// Gives tab buttons and the tab row the page-tab roles for assistive technology.
void InstallTabAccessibility();

}  // namespace chatscope
