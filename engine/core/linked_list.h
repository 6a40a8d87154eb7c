// The intrusive doubly linked list used by the sound side: a head and a tail sentinel
// with value 0xFFFFFFFF around the nodes.
#pragma once

#include <cstdint>

struct ListNode {
    std::uint32_t value;
    std::uint32_t owner;
    ListNode* previous;
    ListNode* next;
};

int InitLinkedList(ListNode* head, ListNode* tail);
int InsertListNode(ListNode* anchor, ListNode* node, std::uint32_t value, std::uint32_t owner);
int RemoveListNode(ListNode* node);
