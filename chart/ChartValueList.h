#pragma once

#include <QString>
#include <vector>

class TChartSeries;

enum TChartListOrder { loNone, loAscending, loDescending };

// One column of a series' points (X or Y): doubles stored as given and read times the
// Multiplier. Extremes and sums are computed on the first query after a change and cached.
// A bad index raises the list index error and changes nothing.
class TChartValueList {
 public:
  TChartValueList(TChartSeries* owner, const QString& name);
  virtual ~TChartValueList() = default;
  TChartValueList(const TChartValueList&) = delete;
  TChartValueList& operator=(const TChartValueList&) = delete;

  virtual double ValueAt(int index) const;
  virtual void StoreValueAt(int index, double value);
  // Empties the list and gives its storage back.
  virtual void RemoveAll();
  // Places the value where Order wants it; an equal value goes after its equals.
  virtual int InsertOrdered(double value);
  virtual void InsertAt(int index, double value);
  int ValueCount() const { return static_cast<int>(values_.size()); }
  // The stored values, for a reader of many at once: ValueAt(i) is Data()[i] * Multiplier()
  // unless a derived list reads them otherwise.
  const double* Data() const { return values_.data(); }
  // Values the storage holds room for.
  int Capacity() const { return static_cast<int>(values_.capacity()); }
  virtual void RemoveAt(int index);
  // Moves the first value to the end.
  virtual void RotateValues();

  double FinalValue() const { return ValueAt(ValueCount() - 1); }
  // The first index whose value (times the Multiplier) equals value exactly, or -1.
  int FindValue(double value) const;
  double LowestValue();
  double HighestValue();
  double ValueSum();
  double AbsoluteSum();
  void RefreshStatistics();
  bool StatisticsStale() const { return statisticsStale_; }
  // Reorders every point of the owning series by this list's values.
  void SortValues();
  void NumberSequentially();
  // Copies Order, DateTime, Multiplier and ValueSource; not the name, not the values.
  void Assign(const TChartValueList& source);

  bool DateTime() const { return dateTime_; }
  void SetDateTime(bool value);
  const QString& Name() const { return name_; }
  void SetName(const QString& name) { name_ = name; }
  double Multiplier() const { return multiplier_; }
  void SetMultiplier(double value);
  TChartListOrder Order() const { return order_; }
  void SetOrder(TChartListOrder order) { order_ = order; }
  const QString& ValueSource() const { return valueSource_; }
  void SetValueSource(const QString& source);

  double PendingValue = 0;

 private:
  friend class TChartSeries;
  void CheckIndex(int index, int limit) const;
  void SwapValues(int a, int b) { std::swap(values_[a], values_[b]); }
  int CompareValues(int a, int b) const;
  void SortRange(int lo, int hi);

  bool dateTime_ = false;
  std::vector<double> values_;
  double highestValue_ = 0;
  double lowestValue_ = 0;
  double multiplier_ = 1.0;
  QString name_;
  TChartListOrder order_ = loNone;
  TChartSeries* owner_;
  double valueSum_ = 0;
  double absoluteSum_ = 0;
  QString valueSource_;
  bool statisticsStale_ = true;
};

// A series' value lists in creation order: XValues, then YValues. Does not own them.
using TChartValueLists = std::vector<TChartValueList*>;
