// Dlist.h -- generic lists (src/datastructures).
//
// A singly linked list with a header node and a cursor.  The cursor can
// stand on the header ("zeroth", before the first element), on an element,
// or past the end; insertion puts the new element right after the cursor.
// The list also keeps its last node, so appending costs nothing.
//
//   List<int> list;
//   ListItr<int> at = list.zeroth();
//   list.insert(1, at);                 // 1
//   list.append(3);                     // 1 3
//   for (ListItr<int> i = list.first(); !i.isPastEnd(); i.advance())
//     use(i.retrieve());
//
// Misuse (reading or inserting at a cursor past the end or of another list,
// reading the header) raises BadIterator.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

class BadIterator : public std::exception {
 public:
  const char* what() const noexcept override { return "list cursor misused"; }
};

template <class T>
class List;
template <class T>
class ListItr;

// Nodes come from blocks kept per element type and are reused once freed:
// lists of millions of elements cost no allocation each.
template <std::size_t Size>
class NodePool {
 public:
  static void* take()
  {
    Free*& free = freeList();
    if (!free)
      grow();
    Free* node = free;
    free = node->next;
    return node;
  }
  static void give(void* node)
  {
    Free* f = static_cast<Free*>(node);
    f->next = freeList();
    freeList() = f;
  }

 private:
  struct Free {
    Free* next;
  };
  static constexpr std::size_t kSlot = Size < sizeof(Free) ? sizeof(Free) : Size;
  static constexpr std::size_t kPerBlock = 4096;
  static Free*& freeList()
  {
    static Free* free = nullptr;
    return free;
  }
  static void grow()
  {
    // Blocks live as long as the program, past the destruction of static
    // lists.
    static auto* blocks = new std::vector<std::unique_ptr<char[]>>;
    blocks->push_back(std::make_unique<char[]>(kSlot * kPerBlock));
    char* block = blocks->back().get();
    for (std::size_t i = kPerBlock; i-- > 0;)
      give(block + i * kSlot);
  }
};

template <class T>
class ListNode {
  ListNode() = default;
  ListNode(const T& e, ListNode* n) : element(e), next(n) {}
  static void* operator new(std::size_t) { return NodePool<sizeof(ListNode)>::take(); }
  static void operator delete(void* node) { NodePool<sizeof(ListNode)>::give(node); }
  T element{};
  ListNode* next = nullptr;
  friend class List<T>;
  friend class ListItr<T>;
};

template <class T>
class ListItr {
 public:
  ListItr() = default;

  bool isPastEnd() const { return current_ == nullptr; }
  // Moves to the next element; past the end the cursor may not move.
  void advance()
  {
    if (!current_)
      throw BadIterator();
    current_ = current_->next;
  }
  // The element under the cursor.
  const T& retrieve() const
  {
    if (!current_ || current_ == owner_->head())
      throw BadIterator();
    return current_->element;
  }
  T& retrieve()
  {
    if (!current_ || current_ == owner_->head())
      throw BadIterator();
    return current_->element;
  }
  bool operator==(const ListItr& other) const { return current_ == other.current_; }
  bool operator!=(const ListItr& other) const { return current_ != other.current_; }

  // Range-for support: *it is the element, ++it advances.
  T& operator*() { return retrieve(); }
  ListItr& operator++()
  {
    advance();
    return *this;
  }

 private:
  ListItr(ListNode<T>* node, const List<T>* owner) : current_(node), owner_(owner) {}
  ListNode<T>* current_ = nullptr;
  const List<T>* owner_ = nullptr;
  friend class List<T>;
};

template <class T>
class List {
 public:
  List() : last_(&header_) {}
  ~List() { makeEmpty(); }
  List(const List& other) : List() { *this = other; }
  List& operator=(const List& other)
  {
    if (this == &other)
      return *this;
    makeEmpty();
    for (const ListNode<T>* n = other.header_.next; n; n = n->next)
      append(n->element);
    return *this;
  }

  bool isEmpty() const { return header_.next == nullptr; }
  std::size_t size() const { return size_; }

  void makeEmpty()
  {
    ListNode<T>* n = header_.next;
    while (n) {
      ListNode<T>* next = n->next;
      delete n;
      n = next;
    }
    header_.next = nullptr;
    last_ = &header_;
    size_ = 0;
  }

  // The cursor on the header, before the first element.
  ListItr<T> zeroth() const { return ListItr<T>(head(), this); }
  // The cursor on the first element (past the end when empty).
  ListItr<T> first() const { return ListItr<T>(header_.next, this); }
  // The cursor on the last element (the header when empty).
  ListItr<T> last() const { return ListItr<T>(last_, this); }
  ListItr<T> begin() const { return first(); }
  ListItr<T> end() const { return ListItr<T>(nullptr, this); }

  // Puts x right after the cursor `at`, which must be of this list and not
  // past the end.  Returns: the cursor on the new element.
  ListItr<T> insert(const T& x, const ListItr<T>& at)
  {
    if (!at.current_ || at.owner_ != this)
      throw BadIterator();
    ListNode<T>* node = new ListNode<T>(x, at.current_->next);
    at.current_->next = node;
    if (last_ == at.current_)
      last_ = node;
    ++size_;
    return ListItr<T>(node, this);
  }
  void prepend(const T& x) { insert(x, zeroth()); }
  void append(const T& x) { insert(x, last()); }

  // The first element equal to x, or past the end.
  ListItr<T> find(const T& x) const
  {
    ListNode<T>* n = header_.next;
    while (n && !(n->element == x))
      n = n->next;
    return ListItr<T>(n, this);
  }
  // The element before the first one equal to x (the header when x is
  // first), or past the end when x is absent.
  ListItr<T> findPrevious(const T& x) const
  {
    ListNode<T>* n = head();
    while (n->next && !(n->next->element == x))
      n = n->next;
    return ListItr<T>(n->next ? n : nullptr, this);
  }
  // Removes the first element equal to x, if any.
  void remove(const T& x)
  {
    ListItr<T> before = findPrevious(x);
    if (before.isPastEnd())
      return;
    ListNode<T>* gone = before.current_->next;
    before.current_->next = gone->next;
    if (last_ == gone)
      last_ = before.current_;
    delete gone;
    --size_;
  }

 private:
  ListNode<T>* head() const { return const_cast<ListNode<T>*>(&header_); }
  ListNode<T> header_;  // before the first element
  ListNode<T>* last_;
  std::size_t size_ = 0;
  friend class ListItr<T>;
};
