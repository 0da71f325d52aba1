#include "uxposs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// An allocator that counts live blocks and can refuse the nth request, so
// that every test also proves the list gives back each block it took.
struct CountingHeap {
  static inline long live = 0;
  static inline long fail_in = 0;
  static void* Allocate(size_t size) {
    if (fail_in > 0 && --fail_in == 0) return nullptr;
    ++live;
    return std::malloc(size);
  }
  static void Release(void* block) {
    --live;
    std::free(block);
  }
};

struct Element {
  int value;
  int check;  // -value, so a torn copy shows
};

int MatchValue(const void* element, const void* key) {
  return static_cast<const Element*>(element)->value == *static_cast<const int*>(key) ? 1 : 0;
}

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CountingHeap::live = 0;
    CountingHeap::fail_in = 0;
    list_ = ux_LinkCreateList(15, sizeof(Element), nullptr, 0, 0, CountingHeap::Allocate,
                              CountingHeap::Release);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override {
    if (it_ != nullptr) {
      EXPECT_EQ(ux_LinkIteratorFree(list_, it_), UX_LINK_OK);
    }
    EXPECT_EQ(ux_LinkDeleteList(&list_), UX_LINK_OK);
    EXPECT_EQ(list_, nullptr);
    EXPECT_EQ(CountingHeap::live, 0);
  }
  void PushFront(int value) {
    Element element{value, -value};
    ASSERT_EQ(ux_LinkAddElementToFront(list_, &element), UX_LINK_OK);
  }
  int Current() {
    auto* element = static_cast<Element*>(ux_LinkIteratorGetData(it_));
    EXPECT_NE(element, nullptr);
    if (element == nullptr) return -1;
    EXPECT_EQ(element->check, -element->value);
    return element->value;
  }
  // Values from head to tail, read with an iterator of its own.
  std::vector<int> Contents() {
    std::vector<int> values;
    UxLinkIterator* walker = nullptr;
    int32_t status = ux_LinkIteratorCreate(list_, &walker);
    while (status == UX_LINK_OK) {
      values.push_back(static_cast<Element*>(ux_LinkIteratorGetData(walker))->value);
      status = ux_LinkIteratorMoveNext(list_, &walker);
    }
    EXPECT_EQ(ux_LinkIteratorFree(list_, walker), UX_LINK_OK);
    EXPECT_EQ(static_cast<int32_t>(values.size()), ux_LinkCount(list_));
    return values;
  }
  UxLinkList* list_ = nullptr;
  UxLinkIterator* it_ = nullptr;
};

TEST_F(ListTest, AddingCopiesTheElementSoTheCallerMayReuseIt) {
  Element element{1, -1};
  ASSERT_EQ(ux_LinkAddElementToFront(list_, &element), UX_LINK_OK);
  element = {2, -2};
  ASSERT_EQ(ux_LinkAddElementToFront(list_, &element), UX_LINK_OK);
  element = {99, 0};
  EXPECT_EQ(Contents(), (std::vector<int>{2, 1}));
}

TEST_F(ListTest, GetDataPointsIntoTheListNotAtACopy) {
  PushFront(5);
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_OK);
  static_cast<Element*>(ux_LinkIteratorGetData(it_))->value = 6;
  static_cast<Element*>(ux_LinkIteratorGetData(it_))->check = -6;
  EXPECT_EQ(Contents(), (std::vector<int>{6}));
}

TEST_F(ListTest, IteratorOnAnEmptyListReportsEmptyButServesForInsertion) {
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_EMPTY);
  ASSERT_NE(it_, nullptr);
  EXPECT_EQ(ux_LinkIteratorGetData(it_), nullptr);
  Element element{7, -7};
  ASSERT_EQ(ux_LinkIteratorAddElementBefore(list_, &it_, &element), UX_LINK_OK);
  EXPECT_EQ(Contents(), (std::vector<int>{7}));
}

TEST_F(ListTest, AddAfterOnAnEmptyListMakesTheNewElementCurrent) {
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_EMPTY);
  for (int value = 1; value <= 3; ++value) {
    Element element{value, -value};
    ASSERT_EQ(ux_LinkIteratorAddElementAfter(list_, &it_, &element), UX_LINK_OK);
    EXPECT_EQ(Current(), value);
  }
  EXPECT_EQ(Contents(), (std::vector<int>{1, 2, 3}));
}

TEST_F(ListTest, AddBeforeInsertsInFrontOfTheCurrentElementAndStays) {
  PushFront(3);
  PushFront(1);
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_OK);
  ASSERT_EQ(ux_LinkIteratorMoveNext(list_, &it_), UX_LINK_OK);
  Element element{2, -2};
  ASSERT_EQ(ux_LinkIteratorAddElementBefore(list_, &it_, &element), UX_LINK_OK);
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(Contents(), (std::vector<int>{1, 2, 3}));
}

TEST_F(ListTest, RemovingTheLastElementReportsEndAndLeavesAnEmptyList) {
  PushFront(2);
  PushFront(1);
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_OK);
  EXPECT_EQ(ux_LinkIteratorRemoveNode(list_, &it_), UX_LINK_OK);
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(ux_LinkIteratorRemoveNode(list_, &it_), UX_LINK_END);
  EXPECT_EQ(ux_LinkIteratorGetData(it_), nullptr);
  EXPECT_EQ(ux_LinkIteratorRemoveNode(list_, &it_), UX_LINK_NO_CURRENT);
  EXPECT_EQ(ux_LinkCount(list_), 0);
  // Past the end of what is now an empty list, insertion goes to the head.
  Element element{9, -9};
  ASSERT_EQ(ux_LinkIteratorAddElementBefore(list_, &it_, &element), UX_LINK_OK);
  EXPECT_EQ(Contents(), (std::vector<int>{9}));
}

TEST_F(ListTest, RemovingTheTailOfALongerListReportsEnd) {
  PushFront(2);
  PushFront(1);
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_OK);
  ASSERT_EQ(ux_LinkIteratorMoveNext(list_, &it_), UX_LINK_OK);
  EXPECT_EQ(ux_LinkIteratorRemoveNode(list_, &it_), UX_LINK_END);
  EXPECT_EQ(Contents(), (std::vector<int>{1}));
  // Past the end, AddAfter appends at the tail.
  Element element{3, -3};
  ASSERT_EQ(ux_LinkIteratorAddElementAfter(list_, &it_, &element), UX_LINK_OK);
  EXPECT_EQ(Contents(), (std::vector<int>{1, 3}));
}

TEST_F(ListTest, FindSearchesFromTheCurrentElementOnward) {
  for (int value : {4, 3, 2, 1, 2}) PushFront(value);  // 2 1 2 3 4
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_OK);
  int key = 2;
  ASSERT_EQ(ux_LinkIteratorFind(list_, &it_, &key, MatchValue), UX_LINK_OK);
  EXPECT_EQ(Current(), 2);  // the current element itself matches
  key = 3;
  ASSERT_EQ(ux_LinkIteratorFind(list_, &it_, &key, MatchValue), UX_LINK_OK);
  EXPECT_EQ(Current(), 3);
  key = 1;  // only before the current element: not found, no move
  EXPECT_EQ(ux_LinkIteratorFind(list_, &it_, &key, MatchValue), UX_LINK_NOT_FOUND);
  EXPECT_EQ(Current(), 3);
  ASSERT_EQ(ux_LinkIteratorMoveToStart(list_, &it_), UX_LINK_OK);
  ASSERT_EQ(ux_LinkIteratorFind(list_, &it_, &key, MatchValue), UX_LINK_OK);
  EXPECT_EQ(Current(), 1);
}

TEST_F(ListTest, MoveToStartOnAnEmptyListReportsEmpty) {
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_EMPTY);
  EXPECT_EQ(ux_LinkIteratorMoveToStart(list_, &it_), UX_LINK_EMPTY);
}

TEST_F(ListTest, RefusedAllocationsChangeNothing) {
  PushFront(1);
  Element element{2, -2};
  CountingHeap::fail_in = 1;
  EXPECT_EQ(ux_LinkAddElementToFront(list_, &element), UX_LINK_NO_MEMORY);
  CountingHeap::fail_in = 1;
  UxLinkIterator* refused = reinterpret_cast<UxLinkIterator*>(&element);
  EXPECT_EQ(ux_LinkIteratorCreate(list_, &refused), UX_LINK_NO_MEMORY);
  EXPECT_EQ(refused, nullptr);
  ASSERT_EQ(ux_LinkIteratorCreate(list_, &it_), UX_LINK_OK);
  CountingHeap::fail_in = 1;
  EXPECT_EQ(ux_LinkIteratorAddElementBefore(list_, &it_, &element), UX_LINK_NO_MEMORY);
  CountingHeap::fail_in = 1;
  EXPECT_EQ(ux_LinkIteratorAddElementAfter(list_, &it_, &element), UX_LINK_NO_MEMORY);
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(Contents(), (std::vector<int>{1}));
}

TEST_F(ListTest, MissingArgumentsAreRefused) {
  Element element{1, -1};
  EXPECT_EQ(ux_LinkAddElementToFront(nullptr, &element), UX_LINK_BAD_ARGUMENT);
  EXPECT_EQ(ux_LinkAddElementToFront(list_, nullptr), UX_LINK_BAD_ARGUMENT);
  EXPECT_EQ(ux_LinkIteratorCreate(nullptr, &it_), UX_LINK_BAD_ARGUMENT);
  EXPECT_EQ(it_, nullptr);
  EXPECT_EQ(ux_LinkIteratorRemoveNode(list_, &it_), UX_LINK_BAD_ARGUMENT);
  EXPECT_EQ(ux_LinkIteratorFree(list_, nullptr), UX_LINK_BAD_ARGUMENT);
  EXPECT_EQ(ux_LinkIteratorGetData(nullptr), nullptr);
  UxLinkList* none = nullptr;
  EXPECT_EQ(ux_LinkDeleteList(&none), UX_LINK_BAD_ARGUMENT);
  EXPECT_EQ(ux_LinkCreateList(15, 0, nullptr, 0, 0, nullptr, nullptr), nullptr);
}

TEST(ListCreate, DeletingAListFreesEveryElement) {
  CountingHeap::live = 0;
  CountingHeap::fail_in = 0;
  UxLinkList* list = ux_LinkCreateList(15, 280, nullptr, 0, 0, CountingHeap::Allocate,
                                       CountingHeap::Release);
  ASSERT_NE(list, nullptr);
  unsigned char token[280] = {};
  for (int i = 0; i < 50; ++i) ASSERT_EQ(ux_LinkAddElementToFront(list, token), UX_LINK_OK);
  EXPECT_EQ(CountingHeap::live, 51);
  EXPECT_EQ(ux_LinkDeleteList(&list), UX_LINK_OK);
  EXPECT_EQ(CountingHeap::live, 0);
}

TEST(ListCreate, DefaultsToTheCHeapAndRefusesWhenItsBlockIsRefused) {
  UxLinkList* list = ux_LinkCreateList(15, 4, nullptr, 0, 0, nullptr, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ux_LinkDeleteList(&list), UX_LINK_OK);
  CountingHeap::live = 0;
  CountingHeap::fail_in = 1;
  EXPECT_EQ(ux_LinkCreateList(15, 4, nullptr, 0, 0, CountingHeap::Allocate, CountingHeap::Release),
            nullptr);
  EXPECT_EQ(CountingHeap::live, 0);
}

}  // namespace
