// Tree operations of the element table behind CMarkup.
#include "host/MarkupDocument.h"

namespace markup {

void Document::Clear() {
    elems.clear();
    freeList.clear();
    elems.emplace_back();
    elems[0].live = true;  // the document node
}

int Document::Create(std::wstring name) {
    int index;
    if (!freeList.empty()) {
        index = freeList.back();
        freeList.pop_back();
        at(index) = Element();
    } else {
        index = static_cast<int>(elems.size());
        elems.emplace_back();
    }
    Element& e = at(index);
    e.name = std::move(name);
    e.live = true;
    return index;
}

void Document::Link(int node, int parent, int ref, bool before) {
    Element& p = at(parent);
    p.data.clear();  // an element with children holds no text
    p.cdata = false;
    int prev;
    int next;
    if (before) {
        next = ref ? ref : p.first;
        prev = next ? at(next).prev : 0;
    } else {
        prev = ref ? ref : p.last;
        next = prev ? at(prev).next : 0;
    }
    Element& e = at(node);
    e.parent = parent;
    e.prev = prev;
    e.next = next;
    if (prev)
        at(prev).next = node;
    else
        p.first = node;
    if (next)
        at(next).prev = node;
    else
        p.last = node;
}

void Document::Erase(int node) {
    Element& e = at(node);
    Element& p = at(e.parent);
    if (e.prev)
        at(e.prev).next = e.next;
    else
        p.first = e.next;
    if (e.next)
        at(e.next).prev = e.prev;
    else
        p.last = e.prev;
    std::vector<int> pending{node};
    while (!pending.empty()) {
        const int i = pending.back();
        pending.pop_back();
        for (int c = at(i).first; c; c = at(c).next) pending.push_back(c);
        at(i) = Element();  // releases the texts now, not when the slot is reused
        freeList.push_back(i);
    }
}

int Document::CopyFrom(const Document& src, int srcNode, int parent, int ref, bool before) {
    auto copy = [&](int from) {
        const Element& s = src.at(from);
        const int to = Create(s.name);
        Element& d = at(to);
        d.data = s.data;
        d.attribs = s.attribs;
        d.cdata = s.cdata;
        return to;
    };
    const int top = copy(srcNode);
    Link(top, parent, ref, before);
    std::vector<std::pair<int, int>> pending{{srcNode, top}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (int c = src.at(from).first; c; c = src.at(c).next) {
            const int child = copy(c);
            Link(child, to, 0, false);
            pending.emplace_back(c, child);
        }
    }
    return top;
}

}  // namespace markup
