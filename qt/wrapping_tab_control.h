#pragma once
// A tab control whose tabs wrap onto further rows when they do not fit its width, as the
// multi-line tab controls of classic desktops: the row holding the current tab lies next to
// the page. Tabs are drawn by the platform style. pageChanged() is raised only when the user
// picks another page; setCurrentIndex() from the program raises nothing.

#include <QList>
#include <QRect>
#include <QSize>
#include <QVector>
#include <QWidget>

class QPainter;
class QStyleOptionTab;

class WrappingTabControl : public QWidget {
    Q_OBJECT
public:
    explicit WrappingTabControl(QWidget* parent);

    // The page becomes a child of the control, placed in its page area.
    int addPage(QWidget* page, const QString& caption);
    int count() const { return pages_.size(); }
    QWidget* page(int index) const { return pages_.value(index); }
    int indexOf(QWidget* page) const { return pages_.indexOf(page); }
    QString tabText(int index) const { return captions_.value(index); }
    int currentIndex() const { return current_; }
    QWidget* currentPage() const { return page(current_); }
    void setCurrentIndex(int index);

    int rowCount() const { return rowCount_; }
    QRect tabRect(int index) const { return tabRects_.value(index); }
    QRect pageArea() const { return pageArea_; }

signals:
    void pageChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UserPicks(int index);
    void LayOutTabs();
    QSize TabSize(int index) const;
    int CompactRowHeight() const;
    void InitTabOption(QStyleOptionTab* option, int index) const;
    void DrawTab(QPainter& painter, int index) const;

    QList<QWidget*> pages_;
    QStringList captions_;
    mutable QVector<QSize> textSizes_;  // of the captions in the current font; invalid: not measured yet
    QList<QRect> tabRects_;
    QList<int> rowOfTab_;
    int rowCount_ = 0;
    int rowHeight_ = 0;
    int current_ = -1;
    QRect pageArea_;
};
