#include "ChartValueList.h"

#include <cmath>

#include "chart/ChartSeries.h"
#include "framework/Exceptions.h"

TChartValueList::TChartValueList(TChartSeries* owner, const QString& name)
    : name_(name), owner_(owner) {
  if (owner_) owner_->ValuesList().push_back(this);
}

void TChartValueList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) throw EListError::IndexOutOfBounds(index);
}

double TChartValueList::ValueAt(int index) const {
  CheckIndex(index, ValueCount());
  return values_[index] * multiplier_;
}

void TChartValueList::StoreValueAt(int index, double value) {
  CheckIndex(index, ValueCount());
  values_[index] = value;
  statisticsStale_ = true;
  if (owner_) owner_->NotifyDependents(TChartSeries::dkValueChanged, index);
}

void TChartValueList::RemoveAll() {
  std::vector<double>().swap(values_);
  statisticsStale_ = true;
}

int TChartValueList::InsertOrdered(double value) {
  const int n = ValueCount();
  // The usual case by far: a value that goes to the end.
  if (order_ == loNone || n == 0 || (order_ == loAscending && !(values_[n - 1] > value)) ||
      (order_ == loDescending && !(values_[n - 1] < value))) {
    values_.push_back(value);
    statisticsStale_ = true;
    return n;
  }
  int index = n;
  if (order_ == loAscending && n > 0 && values_[n - 1] > value) {
    int i = n - 1;
    while (i >= 0 && values_[i] > value) --i;
    index = i + 1;
  } else if (order_ == loDescending && n > 0 && values_[n - 1] < value) {
    int i = n - 1;
    while (i >= 0 && values_[i] < value) --i;
    index = i + 1;
  }
  values_.insert(values_.begin() + index, value);
  statisticsStale_ = true;
  return index;
}

void TChartValueList::InsertAt(int index, double value) {
  CheckIndex(index, ValueCount() + 1);
  if (index == ValueCount())
    values_.push_back(value);
  else
    values_.insert(values_.begin() + index, value);
  statisticsStale_ = true;
}

void TChartValueList::RemoveAt(int index) {
  CheckIndex(index, ValueCount());
  values_.erase(values_.begin() + index);
  statisticsStale_ = true;
}

void TChartValueList::RotateValues() {
  if (values_.empty()) return;
  const double first = values_.front();
  values_.erase(values_.begin());
  values_.push_back(first);
}

int TChartValueList::FindValue(double value) const {
  for (int i = 0; i < ValueCount(); ++i)
    if (values_[i] * multiplier_ == value) return i;
  return -1;
}

void TChartValueList::RefreshStatistics() {
  lowestValue_ = highestValue_ = valueSum_ = absoluteSum_ = 0;
  if (!values_.empty()) {
    double w = values_[0] * multiplier_;
    lowestValue_ = highestValue_ = valueSum_ = w;
    absoluteSum_ = std::fabs(w);
    for (size_t i = 1; i < values_.size(); ++i) {
      w = values_[i] * multiplier_;
      if (w < lowestValue_)
        lowestValue_ = w;
      else if (w > highestValue_)
        highestValue_ = w;
      valueSum_ += w;
      absoluteSum_ += std::fabs(w);
    }
  }
  statisticsStale_ = false;
}

double TChartValueList::LowestValue() {
  if (statisticsStale_) RefreshStatistics();
  return lowestValue_;
}

double TChartValueList::HighestValue() {
  if (statisticsStale_) RefreshStatistics();
  return highestValue_;
}

double TChartValueList::ValueSum() {
  if (statisticsStale_) RefreshStatistics();
  return valueSum_;
}

double TChartValueList::AbsoluteSum() {
  if (statisticsStale_) RefreshStatistics();
  return absoluteSum_;
}

int TChartValueList::CompareValues(int a, int b) const {
  const double va = ValueAt(a), vb = ValueAt(b);
  const int result = va < vb ? -1 : (va > vb ? 1 : 0);
  return order_ == loDescending ? -result : result;
}

void TChartValueList::SortRange(int lo, int hi) {
  int i = lo, j = hi;
  int pivot = (lo + hi) / 2;
  while (i < j) {
    while (CompareValues(i, pivot) < 0) ++i;
    while (CompareValues(pivot, j) < 0) --j;
    if (i < j) {
      owner_->SwapPoints(i, j);
      if (pivot == i)
        pivot = j;
      else if (pivot == j)
        pivot = i;
    }
    if (i <= j) {
      ++i;
      --j;
    }
  }
  if (lo < j) SortRange(lo, j);
  if (i < hi) SortRange(i, hi);
}

void TChartValueList::SortValues() {
  if (order_ == loNone || ValueCount() < 2 || !owner_) return;
  SortRange(0, ValueCount() - 1);
}

void TChartValueList::NumberSequentially() {
  for (int i = 0; i < ValueCount(); ++i) StoreValueAt(i, i);
}

void TChartValueList::Assign(const TChartValueList& source) {
  order_ = source.order_;
  dateTime_ = source.dateTime_;
  multiplier_ = source.multiplier_;
  valueSource_ = source.valueSource_;
}

void TChartValueList::SetDateTime(bool value) {
  if (value == dateTime_) return;
  dateTime_ = value;
  if (owner_) owner_->RequestRepaint();
}

void TChartValueList::SetMultiplier(double value) {
  if (value == multiplier_) return;
  multiplier_ = value;
  statisticsStale_ = true;
  if (owner_) {
    owner_->NotifyDependents(TChartSeries::dkAllChanged, -1);
    owner_->RequestRepaint();
  }
}

void TChartValueList::SetValueSource(const QString& source) {
  if (source == valueSource_) return;
  valueSource_ = source;
  if (owner_) owner_->RefreshFromDataSource();
}
