#pragma once
// SharedTxtMap: a record's TXT pairs, shared by the copies of the record. Records are
// copied often (the engine's record, the copy readers get, the views' and the listing's
// copies) and their TXT pairs are most of their size, so a copy shares the pairs and a
// change makes a new map of its own. The shared map is never changed, so copies may be
// read on different threads without a lock.

#include <map>
#include <memory>
#include <string>
#include <utility>

class SharedTxtMap {
 public:
  using Map = std::map<std::string, std::string>;
  using const_iterator = Map::const_iterator;

  SharedTxtMap() = default;
  SharedTxtMap(Map pairs)  // NOLINT(google-explicit-constructor): a record's TXT is assigned from parsed pairs
      : pairs_(pairs.empty() ? nullptr : std::make_shared<const Map>(std::move(pairs))) {}

  const Map& Pairs() const { return pairs_ != nullptr ? *pairs_ : Empty(); }
  const_iterator begin() const { return Pairs().begin(); }
  const_iterator end() const { return Pairs().end(); }
  const_iterator find(const std::string& key) const { return Pairs().find(key); }
  std::size_t count(const std::string& key) const { return Pairs().count(key); }
  std::size_t size() const { return Pairs().size(); }
  bool empty() const { return Pairs().empty(); }

  // Inserts the pair when the key is new; true when it was inserted.
  bool Insert(const std::string& key, const std::string& value) {
    if (count(key) != 0) return false;
    Change([&](Map& pairs) { pairs.emplace(key, value); });
    return true;
  }
  // Sets the value, whether the key is new or not.
  void Set(const std::string& key, const std::string& value) {
    Change([&](Map& pairs) { pairs[key] = value; });
  }
  void erase(const std::string& key) {
    if (count(key) != 0) Change([&](Map& pairs) { pairs.erase(key); });
  }

  friend bool operator==(const SharedTxtMap& a, const SharedTxtMap& b) {
    return a.pairs_ == b.pairs_ || a.Pairs() == b.Pairs();
  }
  friend bool operator==(const SharedTxtMap& a, const Map& b) { return a.Pairs() == b; }

 private:
  static const Map& Empty() {
    static const Map empty;
    return empty;
  }
  // Copies, changes and then shares the new map: the old one may be read elsewhere.
  template <typename Edit>
  void Change(Edit edit) {
    Map pairs = Pairs();
    edit(pairs);
    *this = SharedTxtMap(std::move(pairs));
  }

  std::shared_ptr<const Map> pairs_;
};
