#pragma once

// Stores value in field when it differs and answers whether it did: the first half of every
// property setter that only tells its owner about real changes.
template <typename T>
bool StoreIfChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}
