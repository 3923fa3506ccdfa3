#pragma once
// The nodes of lists that are filled and emptied every frame, kept for the
// next fill: once the lists have held their busiest frame, filling them
// allocates nothing more.

#include <cstddef>
#include <list>

template <typename T>
class CSpareListNodes {
public:
    // `count` spare nodes more, made up front: a frame that queues more than
    // any before it then takes spares instead of allocating.
    void Reserve(size_t count) { m_Nodes.resize(m_Nodes.size() + count); }

    // Every node of `list` becomes a spare; `list` is left empty.
    void Recycle(std::list<T>& list) { m_Nodes.splice(m_Nodes.end(), list); }

    // As std::list::insert, on a spare node while there is one.
    void Insert(std::list<T>& list, typename std::list<T>::const_iterator position, const T& value)
    {
        if (m_Nodes.empty()) {
            list.insert(position, value);
            return;
        }
        m_Nodes.front() = value;
        list.splice(position, m_Nodes, m_Nodes.begin());
    }

    void PushBack(std::list<T>& list, const T& value) { Insert(list, list.end(), value); }

private:
    std::list<T> m_Nodes;
};
