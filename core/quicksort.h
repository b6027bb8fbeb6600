#pragma once

#include <utility>
#include <vector>

namespace rangwerk {

// The list quicksort whose order of equal elements is visible to the user (tied options in
// the ranking, equal combination results). It is not stable; this exact procedure fixes the
// order of equal elements, so it must not be replaced by std::sort.
// compare(a, b) < 0 means a comes before b. T is a cheap handle (a pointer or a small record).
template <class T, class Compare>
void QuickSort(std::vector<T>& items, long left, long right, Compare&& compare) {
    long l = left;
    do {
        long i = l;
        long j = right;
        const T pivot = items[static_cast<size_t>((l + right) / 2)];
        do {
            while (compare(items[static_cast<size_t>(i)], pivot) < 0) ++i;
            while (compare(items[static_cast<size_t>(j)], pivot) > 0) --j;
            if (i <= j) {
                std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j)
            QuickSort(items, l, j, compare);
        l = i;
    } while (l < right);
}

template <class T, class Compare>
void QuickSort(std::vector<T>& items, Compare&& compare) {
    if (items.empty())
        return;
    QuickSort(items, 0, static_cast<long>(items.size()) - 1, compare);
}

}  // namespace rangwerk
