// Placing, moving, removing and naming markers on the preview's page.
#include "ui/preview/markeredit.h"

#include "printing/page/markers.h"
#include "ui/preview/markerplacing.h"
#include "util/fault.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

constexpr double reachPixels = 5; // of the view, either side of the pointer

const QString howTo =
    QStringLiteral("Markers: click on the traces to place one, drag one to move it, Delete "
                   "removes the chosen one");

} // namespace

MarkerEdit::MarkerEdit(PageOptionsModel& model, PageView& view,
                       std::function<const Capture*()> capture, QWidget* parent)
    : QWidget(parent), model_(&model), view_(view), capture_(std::move(capture))
{
    where = new QLabel(howTo, this);
    where->setObjectName(QStringLiteral("markerwhere"));
    label = new QLineEdit(this);
    label->setObjectName(QStringLiteral("markerlabel"));
    // As many characters as the page prints of it.
    label->setMaxLength(12);
    remove = new QPushButton(QStringLiteral("Remove"), this);
    remove->setObjectName(QStringLiteral("markerremove"));
    remove->setAutoDefault(false);
    remove->setToolTip(QStringLiteral("Remove the chosen marker (Delete)"));
    auto* name = new QLabel(QStringLiteral("Mar&ker label"), this);
    name->setBuddy(label);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(name);
    row->addWidget(label);
    row->addWidget(remove);
    row->addSpacing(12);
    row->addWidget(where, 1);

    connect(label, &QLineEdit::textEdited, this, &MarkerEdit::rename);
    // A name refused is dropped.
    connect(label, &QLineEdit::editingFinished, this, &MarkerEdit::showChosen);
    connect(remove, &QPushButton::clicked, this, &MarkerEdit::removeChosen);
    connect(&model, &PageOptionsModel::changed, this, &MarkerEdit::showChosen);
    connect(&view, &PageView::pageChanged, this, &MarkerEdit::showChosen);
    view.viewport()->setMouseTracking(true);
    view.viewport()->installEventFilter(this);
    view.installEventFilter(this);
    showChosen();
}

void MarkerEdit::setShown(const PageRequest& request, std::vector<PageLayout> layouts)
{
    if (request.channels.size() != channels_.size()
        || !std::equal(channels_.begin(), channels_.end(), request.channels.begin(),
                       [](const ChosenChannel& a, const ChosenChannel& b) {
                           return a.channel == b.channel;
                       }))
        levels_.reset();
    channels_ = request.channels;
    layouts_ = std::move(layouts);
    // (A drag goes on over the redrawn page.)
    if (layouts_.empty())
        levels_.reset();
    showChosen();
}

const PageLayout* MarkerEdit::layout() const
{
    const int page = view_.page();
    if (view_.pages().empty() || page < 0 || std::size_t(page) >= layouts_.size())
        return nullptr;
    return &layouts_[std::size_t(page)];
}

double MarkerEdit::reach() const { return reachPixels / view_.sheetScale(); }

std::optional<int> MarkerEdit::sampleAt(QPointF point) const
{
    const PageLayout* shown = layout();
    const Capture* capture = capture_ ? capture_() : nullptr;
    if (!shown || !capture)
        return std::nullopt;
    std::optional<LevelTable>& levels = levels_;
    if (!levels) {
        try {
            levels = selectChannels(capture->samples(), channels_);
        } catch (const Fault&) {
            // Drawn, so readable; if not, the sample under the pointer will do.
            levels = LevelTable();
        }
    }
    const QPointF at = view_.sheetAt(point);
    const std::optional<int> slot = slotAt(*shown, at.y());
    std::vector<int> traces;
    if (slot && *slot < levels->slotCount())
        traces.push_back(*slot);
    return sampleForMarker(*levels, traces, *shown, at.x(), reach());
}

void MarkerEdit::choose(std::optional<std::size_t> index)
{
    chosen_ = index;
    showChosen();
}

void MarkerEdit::place(QPointF point)
{
    const std::optional<int> sample = sampleAt(point);
    if (!sample || !model_)
        return;
    PageOptions options = model_->options();
    if (const std::optional<std::size_t> there = markerAt(options.markers, *sample)) {
        choose(there);
        return;
    }
    if (options.markers.size() >= std::size_t(maximumMarkers)) {
        emit said(QStringLiteral("A page takes at most %1 markers, A to Z: remove one first")
                      .arg(maximumMarkers));
        return;
    }
    options.markers = withMarker(std::move(options.markers), *sample);
    chosen_ = options.markers.size() - 1;
    model_->set(std::move(options));
}

void MarkerEdit::moveTo(QPointF point)
{
    const std::optional<int> sample = sampleAt(point);
    if (!sample || !model_ || !dragged_ || markerAt(model_->options().markers, *sample))
        return;
    PageOptions options = model_->options();
    options.markers[*dragged_].sample = *sample;
    model_->set(std::move(options));
}

void MarkerEdit::removeChosen()
{
    if (!chosen_ || !model_)
        return;
    PageOptions options = model_->options();
    options.markers = withoutMarker(std::move(options.markers), *chosen_);
    chosen_.reset();
    model_->set(std::move(options));
}

void MarkerEdit::rename(const QString& text)
{
    if (!chosen_ || !model_)
        return;
    PageOptions options = model_->options();
    if (labelTaken(options.markers, *chosen_, text)) {
        label->setStyleSheet(QStringLiteral("QLineEdit { color: #a00000; }"));
        emit said(QStringLiteral("Another marker is named %1 already")
                      .arg(text.isEmpty() ? markerLabel(options.markers, *chosen_) : text));
        return;
    }
    label->setStyleSheet(QString());
    options.markers[*chosen_].label = text;
    model_->set(std::move(options));
}

void MarkerEdit::showChosen()
{
    const std::vector<Marker> markers = model_ ? model_->options().markers : std::vector<Marker>();
    if (chosen_ && *chosen_ >= markers.size())
        chosen_.reset();
    if (dragged_ && *dragged_ >= markers.size())
        dragged_.reset();
    label->setEnabled(chosen_.has_value());
    remove->setEnabled(chosen_.has_value());
    label->setStyleSheet(QString());
    if (!chosen_) {
        where->setText(howTo);
        label->clear();
        label->setPlaceholderText(QString());
        view_.setHighlight(QLineF());
        return;
    }
    const Marker& marker = markers[*chosen_];
    where->setText(QStringLiteral("Marker %1 at sample %2")
                       .arg(markerLabel(markers, *chosen_))
                       .arg(marker.sample));
    if (label->text() != marker.label)
        label->setText(marker.label);
    std::vector<Marker> unnamed = markers;
    unnamed[*chosen_].label.clear();
    label->setPlaceholderText(markerLabel(unnamed, *chosen_));
    const PageLayout* shown = layout();
    if (shown && marker.sample >= shown->first && marker.sample <= shown->last) {
        const int x = shown->sampleX(marker.sample);
        view_.setHighlight(QLineF(x, shown->tickTop(), x, shown->slotsBottom()));
    } else {
        view_.setHighlight(QLineF());
    }
}

bool MarkerEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &view_) {
        if (event->type() != QEvent::KeyPress || !chosen_)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Delete && key != Qt::Key_Backspace)
            return false;
        removeChosen();
        return true;
    }
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPointF point = mouse->position();
    const PageLayout* shown = layout();
    const auto near = [&] {
        const QPointF at = view_.sheetAt(point);
        return shown && model_
                   ? markerNear(model_->options().markers, *shown, at.x(), at.y(), reach())
                   : std::nullopt;
    };
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton || !shown)
            return false;
        if (const std::optional<std::size_t> marker = near()) {
            choose(marker);
            dragged_ = marker;
            return true;
        }
        // The view pans from here; a click without moving places a marker.
        pressed_ = point;
        return false;
    }
    if (type == QEvent::MouseMove) {
        if (dragged_) {
            moveTo(point);
            return true;
        }
        if (pressed_ && (point - *pressed_).manhattanLength() >= QApplication::startDragDistance())
            pressed_.reset();
        if (mouse->buttons() == Qt::NoButton)
            view_.viewport()->setCursor(near() ? Qt::SizeHorCursor : Qt::OpenHandCursor);
        return false;
    }
    if (mouse->button() != Qt::LeftButton)
        return false;
    if (dragged_) {
        dragged_.reset();
        return true;
    }
    if (pressed_) {
        const QPointF at = *pressed_;
        pressed_.reset();
        place(at);
    }
    return false;
}
