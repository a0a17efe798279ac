// The platform SDK's list classes, as the 950 pager's headers declare them:
// every 950 module exports these members. Clavenet itself never uses them.
#pragma once

class LinkedListEntry {
public:
    LinkedListEntry(const LinkedListEntry& other);
    LinkedListEntry& operator=(const LinkedListEntry& other);
    virtual ~LinkedListEntry();

    LinkedListEntry* next;
    LinkedListEntry* previous;
};

class LinkedList {
public:
    LinkedList& operator=(const LinkedList& other);

    LinkedListEntry* first;
    LinkedListEntry* last;
};
