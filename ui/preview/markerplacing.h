#pragma once

// Where the pointer on a page puts or finds a marker, and the edits of the
// markers that keep each sample and each printed label to one marker, as
// the converter requires of its --marker.

#include "capture/leveltable.h"
#include "printing/page/diagramoptions.h"
#include "printing/page/pagelayout.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

// The trace or lane (slot) at height `y` of the page, the gaps between them
// shared by their neighbours; none above the first or below the last.
std::optional<int> slotAt(const PageLayout& layout, double y);

// The sample a marker placed at `x` of the page goes to: the nearest
// boundary within `reach` pixels where a level of the level table's slots
// `traces` (all of them when empty) changes, else the sample under `x`; none
// outside the traces.
std::optional<int> sampleForMarker(const LevelTable& levels, const std::vector<int>& traces,
                                   const PageLayout& layout, double x, double reach);

// The marker on the page whose line, from its label's row to the times
// under the last slot, is nearest to (x, y) within `reach` pixels; none.
std::optional<std::size_t> markerNear(const std::vector<Marker>& markers, const PageLayout& layout,
                                      double x, double y, double reach);

// The marker at `sample`; none.
std::optional<std::size_t> markerAt(const std::vector<Marker>& markers, int sample);

// Whether a marker other than markers[index] prints `label` (its letter when empty).
bool labelTaken(const std::vector<Marker>& markers, std::size_t index, const QString& label);

// The markers with one more at `sample`, last; when the letter of its place
// is printed by another, it is named by the first letter none prints.
std::vector<Marker> withMarker(std::vector<Marker> markers, int sample);

// The markers without markers[index]; the unnamed ones after it keep the
// letters they printed.
std::vector<Marker> withoutMarker(std::vector<Marker> markers, std::size_t index);
