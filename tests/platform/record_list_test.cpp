// Lists of records: the sort keeps equal records in their order in both
// directions, and a pass may remove the record it is visiting (or others)
// without skipping or repeating any.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace {

struct Rec {
  int key, id;
};

RecordList<Rec> Make(const std::vector<std::pair<int, int>>& items) {
  RecordList<Rec> list;
  for (auto [key, id] : items) ListAddLast(list, std::make_shared<Rec>(Rec{key, id}));
  return list;
}
std::vector<int> Ids(const RecordList<Rec>& list) {
  std::vector<int> ids;
  for (const auto& r : list) ids.push_back(r->id);
  return ids;
}
int ByKey(const Rec& a, const Rec& b) { return a.key - b.key; }

TEST(RecordList, SortKeepsEqualRecordsInTheirOrderBothWays) {
  const std::vector<std::pair<int, int>> items = {{2, 1}, {1, 2}, {2, 3}, {1, 4}, {3, 5}, {2, 6}};
  RecordList<Rec> up = Make(items);
  SortList(up, true, ByKey);
  EXPECT_EQ(Ids(up), (std::vector<int>{2, 4, 1, 3, 6, 5}));
  RecordList<Rec> down = Make(items);
  SortList(down, false, ByKey);
  EXPECT_EQ(Ids(down), (std::vector<int>{5, 1, 3, 6, 2, 4}));
  // Sorting again changes nothing.
  SortList(down, false, ByKey);
  EXPECT_EQ(Ids(down), (std::vector<int>{5, 1, 3, 6, 2, 4}));
}

TEST(RecordList, PassSurvivesRemovalsOfTheVisitedRecord) {
  struct Case {
    const char* what;
    std::function<void(RecordList<Rec>&, const std::shared_ptr<Rec>&)> body;
    std::vector<int> visited, left;
  };
  const Case cases[] = {
      {"every odd id removes itself",
       [](RecordList<Rec>& l, const std::shared_ptr<Rec>& r) { if (r->id % 2) ListRemove(l, r); },
       {1, 2, 3, 4, 5}, {2, 4}},
      {"every record removes itself",
       [](RecordList<Rec>& l, const std::shared_ptr<Rec>& r) { ListRemove(l, r); },
       {1, 2, 3, 4, 5}, {}},
      {"the last record removes itself",
       [](RecordList<Rec>& l, const std::shared_ptr<Rec>& r) { if (r->id == 5) ListRemove(l, r); },
       {1, 2, 3, 4, 5}, {1, 2, 3, 4}},
      {"a record appended during the pass is visited too",
       [](RecordList<Rec>& l, const std::shared_ptr<Rec>& r) {
         if (r->id == 2) ListAddLast(l, std::make_shared<Rec>(Rec{0, 6}));
       },
       {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordList<Rec> list = Make({{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}});
    std::vector<int> visited;
    ListPass(list, [&](const std::shared_ptr<Rec>& r) {
      visited.push_back(r->id);
      c.body(list, r);
    });
    EXPECT_EQ(visited, c.visited);
    EXPECT_EQ(Ids(list), c.left);
  }
}

}  // namespace
