#include "treemap/squarify.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tw {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

struct Entry {
  std::uint64_t index = 0;
  std::int64_t weight = 0;  // always > 0
};

// Sums of weights are 64-bit integers. Real sizes add up far below 2^62; only
// corrupt sizes could overflow, and then every weight is halved as often as
// needed (keeping at least 1) so that the proportions survive and no sum of
// the layout can overflow.
void KeepSumsInRange(std::vector<Entry>& entries) {
  constexpr double kLimit = 4611686018427387904.0;  // 2^62
  int shift = 0;
  for (;;) {
    double total = 0;
    for (const Entry& e : entries) total += static_cast<double>(std::max<std::int64_t>(e.weight >> shift, 1));
    if (total < kLimit) break;
    ++shift;
  }
  if (shift == 0) return;
  for (Entry& e : entries) e.weight = std::max<std::int64_t>(e.weight >> shift, 1);
}

// The measure compares pixel areas with the side: a row's areas are its
// weights scaled by the free rectangle's area over the weight still to lay
// out, so a layout's shapes do not depend on the unit of its weights.
double RowRatio(double sum, double amin, double amax, double side) {
  if (side <= 0 || !(sum > 0) || !(amin > 0)) return kLargest;
  const double side2 = side * side;
  return std::max(sum * sum / (amin * side2), amax * side2 / (sum * sum));
}

std::int32_t Round(double v) { return static_cast<std::int32_t>(std::lround(v)); }

void Emit(std::vector<TreemapCell>& cells, const Entry& e, double l, double t, double r, double b) {
  cells.push_back(TreemapCell{Round(l), Round(t), Round(r), Round(b), e.index});
}

// One strip: every entry side by side across the whole free rectangle.
void LayoutStrip(std::span<const Entry> entries, std::int64_t total, double x, double y, double w, double h,
                 bool stack_vertically, std::vector<TreemapCell>& cells) {
  if (entries.empty() || total < 1 || w <= 0 || h <= 0) return;
  const double t = static_cast<double>(total);
  double a = 0;
  for (const Entry& e : entries) {
    if (stack_vertically) {
      const double c = static_cast<double>(e.weight) * h / t;
      Emit(cells, e, x, y + a, x + w, y + a + c);
      a += c;
    } else {
      const double c = static_cast<double>(e.weight) * w / t;
      Emit(cells, e, x + a, y, x + a + c, y + h);
      a += c;
    }
  }
}

std::int64_t SumOf(std::span<const Entry> entries) {
  std::int64_t sum = 0;
  for (const Entry& e : entries) sum += e.weight;
  return sum;
}

// Entries are sorted largest first, so within a row taken from the front the
// first weight is the largest and the last the smallest; the measure of a row
// and of its candidate follow from a running sum.
void SquarifyRows(std::span<const Entry> entries, double x, double y, double w, double h,
                  std::vector<TreemapCell>& cells) {
  std::size_t next = 0;
  // The weight of the entries not laid out yet, kept as a running sum: summing
  // the rest again for every row would make a folder of 100,000 files take
  // quadratic time.
  std::int64_t remaining = SumOf(entries);
  while (next < entries.size() && w > 0.5 && h > 0.5) {
    const std::int64_t total = remaining;
    if (total < 1) break;
    const double side = std::min(w, h);
    const double scale = w * h / static_cast<double>(total);  // pixels per unit of weight
    const auto area = [scale](std::int64_t weight) { return static_cast<double>(weight) * scale; };

    const std::size_t begin = next;
    const std::int64_t wmax = entries[begin].weight;
    std::int64_t rowsum = entries[begin].weight;
    ++next;
    while (next < entries.size()) {
      const std::int64_t candidate_sum = rowsum + entries[next].weight;
      const double row_ratio = RowRatio(area(rowsum), area(entries[next - 1].weight), area(wmax), side);
      const double candidate_ratio =
          RowRatio(area(candidate_sum), area(entries[next].weight), area(wmax), side);
      if (candidate_ratio > row_ratio) break;
      rowsum = candidate_sum;
      ++next;
    }
    const std::span<const Entry> row = entries.subspan(begin, next - begin);
    const double rs = static_cast<double>(rowsum);
    remaining -= rowsum;

    double a = 0;
    if (w >= h) {
      // A column at the left edge.
      const double v = rs * w / static_cast<double>(total);
      if (rowsum > 0 && v > 0 && h > 0) {
        for (const Entry& e : row) {
          const double c = static_cast<double>(e.weight) * h / rs;
          Emit(cells, e, x, y + a, x + v, y + a + c);
          a += c;
        }
      }
      x += v;
      w -= v;
    } else {
      // A band along the top edge.
      const double v = rs * h / static_cast<double>(total);
      if (rowsum > 0 && w > 0 && v > 0) {
        for (const Entry& e : row) {
          const double c = static_cast<double>(e.weight) * w / rs;
          Emit(cells, e, x + a, y, x + a + c, y + v);
          a += c;
        }
      }
      y += v;
      h -= v;
    }
  }

  const std::span<const Entry> rest = entries.subspan(next);
  if (!rest.empty() && w > 0.5 && h > 0.5 && remaining > 0) LayoutStrip(rest, remaining, x, y, w, h, h > w, cells);
}

}  // namespace

double WorstRatio(std::span<const double> areas, double side) {
  if (areas.empty() || side <= 0) return kLargest;
  double sum = 0;
  double amin = areas.front();
  double amax = areas.front();
  for (const double a : areas) {
    sum += a;
    amin = std::min(amin, a);
    amax = std::max(amax, a);
  }
  return RowRatio(sum, amin, amax, side);
}

void SquarifyLayout(const Rect& rect, std::span<const std::int64_t> weights, std::vector<TreemapCell>& cells) {
  cells.clear();
  if (weights.empty() || rect.left >= rect.right || rect.top >= rect.bottom) return;

  std::vector<Entry> entries;
  entries.reserve(weights.size());
  for (std::size_t i = 0; i < weights.size(); ++i) {
    if (weights[i] > 0) entries.push_back(Entry{i, weights[i]});
  }
  if (entries.empty()) return;
  KeepSumsInRange(entries);
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.weight > b.weight; });

  SquarifyRows(entries, rect.left, rect.top, static_cast<double>(rect.right) - rect.left,
               static_cast<double>(rect.bottom) - rect.top, cells);
}

}  // namespace tw
