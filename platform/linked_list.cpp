#include "platform/linked_list.h"

LinkedListEntry::LinkedListEntry(const LinkedListEntry& other) : next(other.next), previous(other.previous) {}

LinkedListEntry& LinkedListEntry::operator=(const LinkedListEntry& other) {
    next = other.next;
    previous = other.previous;
    return *this;
}

LinkedListEntry::~LinkedListEntry() {}

LinkedList& LinkedList::operator=(const LinkedList& other) {
    first = other.first;
    last = other.last;
    return *this;
}
