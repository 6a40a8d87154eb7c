// The intrusive doubly linked list.
#include "engine/core/linked_list.h"

int InitLinkedList(ListNode* head, ListNode* tail) {
    *head = ListNode{0xFFFFFFFFu, 0, nullptr, tail};
    *tail = ListNode{0xFFFFFFFFu, 0, head, nullptr};
    return 0;
}

int InsertListNode(ListNode* anchor, ListNode* node, std::uint32_t value, std::uint32_t owner) {
    *node = ListNode{value, owner, anchor, anchor->next};
    if (anchor->next != nullptr) anchor->next->previous = node;
    anchor->next = node;
    return 0;
}

int RemoveListNode(ListNode* node) {
    if (node->previous != nullptr) node->previous->next = node->next;
    if (node->next != nullptr) node->next->previous = node->previous;
    return 0;
}
