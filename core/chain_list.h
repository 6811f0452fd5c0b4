// ChainList: the runtime's doubly linked list of heap nodes.
//
// A plain record {head, tail, count} over nodes {prev, next, payload}: the
// owner appends at the tail and drains from the front. The record has no
// destructor of its own, so it can sit in plain records that are set up
// field by field (the network session); whoever owns a list empties it with
// clear. A node's payload is destroyed with the node, so a payload that owns
// something (a player's own message list, a packet's bytes) releases it in
// its destructor.
#pragma once

#include <cstdint>
#include <utility>

template <class T>
struct ChainNode {
  ChainNode* prev;
  ChainNode* next;
  T payload;
};

template <class T>
struct ChainList {
  ChainNode<T>* head = nullptr;
  ChainNode<T>* tail = nullptr;
  int32_t count = 0;

  // Appends a node with a default payload and returns that payload.
  T* push_back() {
    auto* node = new ChainNode<T>{tail, nullptr, T()};
    if (tail) tail->next = node;
    else head = node;
    tail = node;
    ++count;
    return &node->payload;
  }

  T* front() const { return head ? &head->payload : nullptr; }

  // Unlinks the head node and frees it with its payload; nothing on an
  // empty list.
  void pop_front() {
    ChainNode<T>* node = head;
    if (!node) return;
    head = node->next;
    if (head) head->prev = nullptr;
    else tail = nullptr;
    --count;
    delete node;
  }

  // Unlinks a node of this list without freeing it, so that another list
  // can take it as it is.
  ChainNode<T>* unlink(ChainNode<T>* node) {
    if (node->prev) node->prev->next = node->next;
    else head = node->next;
    if (node->next) node->next->prev = node->prev;
    else tail = node->prev;
    node->prev = node->next = nullptr;
    --count;
    return node;
  }

  // Appends a node that no list holds.
  void link_back(ChainNode<T>* node) {
    node->prev = tail;
    node->next = nullptr;
    if (tail) tail->next = node;
    else head = node;
    tail = node;
    ++count;
  }

  // Unlinks a node of this list and frees it with its payload.
  void erase(ChainNode<T>* node) { delete unlink(node); }

  void clear() {
    while (head) pop_front();
  }
};
