// SPDX-License-Identifier: GPL-3.0-or-later
#include "level_chart.h"

#include <QLinearGradient>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QFont PixelFont(int pixels, bool bold = false) {
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

}  // namespace

// ---------------------------------------------------------------- ColouredCurve

ColouredCurve::ColouredCurve(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis, reading::Curve which,
                             const reading::CurveStore* store)
    : plottable_(new StorePlottable(keyAxis, valueAxis, store, which)) {
    Q_UNUSED(plot)  // the plottable registers with the axes' plot, which owns it
    plottable_->setPen(QPen(QColor(Qt::blue)));
}

void ColouredCurve::SetColour(const QColor& colour) {
    QPen pen = plottable_->pen();
    pen.setColor(colour);
    plottable_->setPen(pen);
}

QColor ColouredCurve::ColourAt(int i) const {
    if (i < 0 || i >= Count()) return {};
    return QColor::fromRgba(Store()->Colour(plottable_->Which(), std::size_t(i)));
}

int ColouredCurve::NearestIndex(double x) const {
    const int count = Count();
    if (count == 0) return -1;
    // Point i stands at x = i: the first point at or right of x, or the one
    // before it when that is as near or nearer.
    if (!(x > 0)) return 0;  // also NaN
    if (x > double(count - 1)) return count - 1;
    const int i = int(std::ceil(x));
    if (i > 0 && x - double(i - 1) <= double(i) - x) return i - 1;
    return i;
}

// ---------------------------------------------------------------- CrossHairTool

CrossHairTool::CrossHairTool(QCustomPlot* plot, const ColouredCurve* curve)
    : QObject(plot), plot_(plot), curve_(curve) {
    plot_->addLayer(QStringLiteral("crosshair"), plot_->layer(QStringLiteral("overlay")),
                    QCustomPlot::limBelow);
    layer_ = plot_->layer(QStringLiteral("crosshair"));
    layer_->setMode(QCPLayer::lmBuffered);

    const QPen pen(QColor(255, 140, 0), 1);
    vertical_ = new QCPItemStraightLine(plot_);
    horizontal_ = new QCPItemStraightLine(plot_);
    for (QCPItemStraightLine* line : {vertical_, horizontal_}) {
        line->setLayer(layer_);
        line->setPen(pen);
        line->setSelectable(false);
        line->setClipToAxisRect(true);
        line->setVisible(false);
    }
}

void CrossHairTool::FollowMouse(const QPointF& pixel) {
    if (!plot_->axisRect()->rect().contains(pixel.toPoint())) {
        Hide();
        return;
    }
    double x = plot_->xAxis->pixelToCoord(pixel.x());
    double y = plot_->yAxis->pixelToCoord(pixel.y());
    snapped_ = curve_->NearestIndex(x);
    if (snapped_ >= 0) {
        x = curve_->KeyAt(snapped_);
        y = curve_->ValueAt(snapped_);
    }
    position_ = QPointF(x, y);
    vertical_->point1->setCoords(x, 0);
    vertical_->point2->setCoords(x, 1);
    horizontal_->point1->setCoords(0, y);
    horizontal_->point2->setCoords(1, y);
    vertical_->setVisible(true);
    horizontal_->setVisible(true);
    layer_->replot();
}

void CrossHairTool::Hide() {
    if (!vertical_->visible()) return;
    vertical_->setVisible(false);
    horizontal_->setVisible(false);
    layer_->replot();
}

// ---------------------------------------------------------------- ChartTextTool

ChartTextTool::ChartTextTool(QCustomPlot* plot) : plot_(plot), item_(new QCPItemText(plot)) {
    item_->setLayer(QStringLiteral("legend"));
    item_->position->setType(QCPItemPosition::ptAxisRectRatio);
    item_->position->setAxisRect(plot->axisRect());
    item_->position->setCoords(0.01, 0.98);
    item_->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    item_->setTextAlignment(Qt::AlignLeft);
    item_->setFont(PixelFont(11));
    item_->setColor(Qt::black);
    item_->setPen(QPen(QColor(128, 128, 128, 160)));
    item_->setBrush(QColor(255, 255, 224, 128));
    item_->setPadding(QMargins(5, 3, 5, 3));
    item_->setSelectable(false);
    item_->setText(QString());
    item_->setVisible(false);
}

void ChartTextTool::SetText(const QString& text) {
    item_->setText(text);
    item_->setVisible(!text.isEmpty());
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

// ---------------------------------------------------------------- LevelChart

LevelChart::LevelChart(QWidget* parent)
    : QCustomPlot(parent),
      Series_rec(this, xAxis, yAxis, reading::Curve::Level),
      Series_max(this, xAxis, yAxis, reading::Curve::Max),
      Series_min(this, xAxis, yAxis, reading::Curve::Min),
      ChartTool1(new CrossHairTool(this, &Series_rec)),
      ChartTool_Txt(this) {
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, new QCPTextElement(this, QStringLiteral("SPL Graph Analyzing"),
                                                      PixelFont(13, true)));
    legend->setVisible(false);

    yAxis->setRange(LevelAxisMin, LevelAxisMax);
    yAxis->setLabel(QStringLiteral("SPL Unit DB"));
    yAxis->setLabelColor(Qt::red);
    yAxis->setLabelFont(PixelFont(12));

    // Step 1 while zoomed in; multiples of it when the window is wide, so a
    // 300-point window shows a readable number of labels.
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(1.0);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    xAxis->setTicker(ticker);

    // Only the horizontal window moves: left-drag pans, the wheel zooms,
    // a right-drag draws the red band to zoom into.
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    axisRect()->setRangeDrag(Qt::Horizontal);
    axisRect()->setRangeZoom(Qt::Horizontal);
    axisRect()->setRangeDragAxes(xAxis, nullptr);
    axisRect()->setRangeZoomAxes(xAxis, nullptr);
    selectionRect()->setPen(QPen(Qt::red, 1, Qt::DashLine));
    selectionRect()->setBrush(QColor(255, 0, 0, 40));
    setSelectionRectMode(QCP::srmNone);

    setMouseTracking(true);
}

LevelChart::~LevelChart() = default;

void LevelChart::ShowStore(const reading::CurveStore* store) {
    for (ColouredCurve* curve : {&Series_rec, &Series_max, &Series_min}) curve->SetStore(store);
    replot(rpQueuedReplot);
}

void LevelChart::SetBottomMinimum(double value) {
    xAxis->setRangeLower(value);
    replot(rpQueuedReplot);
}

void LevelChart::SetBottomMaximum(double value) {
    xAxis->setRangeUpper(value);
    replot(rpQueuedReplot);
}

void LevelChart::mousePressEvent(QMouseEvent* event) {
    setSelectionRectMode(event->button() == Qt::RightButton ? QCP::srmZoom : QCP::srmNone);
    QCustomPlot::mousePressEvent(event);
}

void LevelChart::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    ChartTool1->FollowMouse(event->position());
}

void LevelChart::leaveEvent(QEvent* event) {
    ChartTool1->Hide();
    QCustomPlot::leaveEvent(event);
}

// ---------------------------------------------------------------- GaugeChart

GaugeChart::GaugeChart(QWidget* parent) : QCustomPlot(parent) {
    // The page's gradient shows through.
    setBackground(Qt::NoBrush);
    axisRect()->setBackground(Qt::NoBrush);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    legend->setVisible(false);

    xAxis->setVisible(false);
    xAxis->setRange(-0.5, 0.5);
    xAxis2->setVisible(false);
    yAxis2->setVisible(false);

    yAxis->setRange(ScaleMin, ScaleMax);
    yAxis->setTickLabelColor(Qt::white);
    yAxis->setTickLabelFont(PixelFont(8));
    yAxis->setBasePen(QPen(Qt::white));
    yAxis->setTickPen(QPen(Qt::white));
    yAxis->setSubTickPen(QPen(Qt::white));
    yAxis->grid()->setVisible(false);

    Series1 = new QCPBars(xAxis, yAxis);
    Series1->setWidthType(QCPBars::wtPlotCoords);
    Series1->setWidth(1.0);  // the whole slot
    Series1->setPen(QPen(Qt::yellow));
    Series1->setSelectable(QCP::stNone);

    // Only the left side sizes itself to the labels; top, bottom and right
    // are fractions of the chart's size.
    axisRect()->setAutoMargins(QCP::msLeft);
    connect(this, &QCustomPlot::afterLayout, this, &GaugeChart::UpdateGradient);
    UpdateMargins();
}

void GaugeChart::ShowBar(double value) {
    Series1->data()->clear();
    Series1->addData(0, value);
    UpdateGradient();
    replot(rpQueuedReplot);
}

double GaugeChart::BarValue() const {
    if (Series1->data()->isEmpty()) return std::numeric_limits<double>::quiet_NaN();
    return Series1->data()->constBegin()->value;
}

void GaugeChart::resizeEvent(QResizeEvent* event) {
    UpdateMargins();
    QCustomPlot::resizeEvent(event);
}

void GaugeChart::UpdateMargins() {
    const int vertical = int(std::lround(height() * 0.05));
    const int right = int(std::lround(width() * 0.15));
    axisRect()->setMargins(QMargins(0, vertical, right, vertical));
}

void GaugeChart::UpdateGradient() {
    // In widget pixels, over the bar as it shows: green at its foot (the
    // scale's bottom), the point's red at its top, whatever the level, so a
    // low bar is as green-to-red as a high one. Runs after every layout,
    // which every replot does.
    const double value = BarValue();
    const double top = std::isnan(value) ? ScaleMax : std::clamp(value, ScaleMin, ScaleMax);
    const double footPixel = yAxis->coordToPixel(ScaleMin);
    double topPixel = yAxis->coordToPixel(top);
    if (std::abs(footPixel - topPixel) < 1) topPixel = footPixel - 1;  // a bar at the foot still has a direction
    QLinearGradient gradient(0, footPixel, 0, topPixel);
    gradient.setColorAt(0, QColor(0, 255, 0));
    gradient.setColorAt(1, QColor(255, 0, 0));
    Series1->setBrush(gradient);
}
