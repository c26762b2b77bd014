#pragma once

// The preview's markers, edited on its page: a click places one at the
// nearest signal edge within a few pixels of the pointer (else at the sample
// under it) and chooses it, a drag moves one, Delete removes the chosen one,
// and a field renames it. Every edit goes to the page options, so that the
// preview, Save as, Copy and both Prints show it.

#include "capture/capture.h"
#include "printing/page/pagerequest.h"
#include "ui/preview/pageoptionsmodel.h"
#include "ui/preview/pageview.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class MarkerEdit : public QWidget {
    Q_OBJECT
public:
    // `capture` gives the capture the pages shown were drawn from, if any.
    MarkerEdit(PageOptionsModel& model, PageView& view, std::function<const Capture*()> capture,
               QWidget* parent = nullptr);

    // The request and layouts of the pages the view shows; none, when it
    // shows none (or an old page while the options cannot be laid out).
    void setShown(const PageRequest& request, std::vector<PageLayout> layouts);
    void clearShown() { setShown({}, {}); }

    // The chosen marker's place in the options; none.
    std::optional<std::size_t> chosen() const { return chosen_; }

    QLabel* where; // the chosen marker and its sample, or how to place one
    QLineEdit* label;
    QPushButton* remove;

signals:
    // Something the status line should say.
    void said(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const PageLayout* layout() const;
    // How far the pointer reaches on the page: a few pixels of the view.
    double reach() const;
    // The sample a marker at the view's `point` goes to; none.
    std::optional<int> sampleAt(QPointF point) const;
    void choose(std::optional<std::size_t> index);
    void place(QPointF point);
    void moveTo(QPointF point);
    void removeChosen();
    void rename(const QString& text);
    // The chosen marker on the field, the label and the view.
    void showChosen();

    QPointer<PageOptionsModel> model_;
    PageView& view_;
    std::function<const Capture*()> capture_;
    std::vector<ChosenChannel> channels_;      // the traces'
    mutable std::optional<LevelTable> levels_; // theirs, read at the first need
    std::vector<PageLayout> layouts_;
    std::optional<std::size_t> chosen_;
    std::optional<std::size_t> dragged_;
    std::optional<QPointF> pressed_; // a click, unless it moves
};
