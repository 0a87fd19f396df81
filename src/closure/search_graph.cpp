#include "closure/search_graph.h"

#include <algorithm>
#include <utility>

#include "ui/messenger.h"

namespace quenvar {

namespace {

uint32_t PairKey(int a, int b) { return (uint32_t(a) << 16) | uint32_t(b); }

}  // namespace

SearchGraph::SearchGraph(const Network& n, Messenger& ui, std::vector<std::unique_ptr<ClosureLoop>>& list,
                         int position)
    : net(n), ui_(ui), list_(list), first_(position), next_(position) {
    const size_t size = size_t(net.hdr.obsCount) + 1;
    nodeFlags.assign(size, 0);
    edges.assign(size, GraphEdge{});
}

int SearchGraph::AddEdge(int from, int to, bool oneWay, bool knownSide) {
    if (edgeCount + 1 >= int(edges.size())) return 0;
    const int e = ++edgeCount;
    edges[size_t(e)] = GraphEdge{uint16_t(from & 0xFFF), uint16_t((to & 0xFFF) | (knownSide ? 0x4000 : 0)),
                                 uint16_t(oneWay ? 1 : 0)};
    return e;
}

void SearchGraph::IndexEdges() {
    incidenceStart_.assign(size_t(nodeCount) + 2, 0);
    auto countEnd = [&](int n) {
        if (n >= 1 && n <= nodeCount) ++incidenceStart_[size_t(n) + 1];
    };
    for (int e = 1; e <= edgeCount; ++e) {
        const int a = From(edges[size_t(e)]), b = To(edges[size_t(e)]);
        countEnd(a);
        if (b != a) countEnd(b);
    }
    for (size_t i = 1; i < incidenceStart_.size(); ++i) incidenceStart_[i] += incidenceStart_[i - 1];
    incidence_.assign(size_t(incidenceStart_.back()), 0);
    std::vector<int> fill(incidenceStart_.begin(), incidenceStart_.end() - 1);
    auto place = [&](int n, int e) {
        if (n >= 1 && n <= nodeCount) incidence_[size_t(fill[size_t(n)]++)] = e;
    };
    for (int e = 1; e <= edgeCount; ++e) {
        const int a = From(edges[size_t(e)]), b = To(edges[size_t(e)]);
        place(a, e);
        if (b != a) place(b, e);
    }
}

int SearchGraph::NextIncidentEdge(int node, int usage, int& other, size_t& cursor) const {
    if (node < 1 || node > nodeCount) return 0;
    const size_t begin = size_t(incidenceStart_[size_t(node)]);
    const size_t end = size_t(incidenceStart_[size_t(node) + 1]);
    for (size_t i = begin + cursor; i < end; ++i) {
        const int e = incidence_[i];
        const GraphEdge& edge = edges[size_t(e)];
        if (Usage(e) != usage) continue;
        if (OneWay(e) && To(edge) == node) continue;
        cursor = i - begin + 1;
        other = From(edge) == node ? To(edge) : From(edge);
        return e;
    }
    cursor = end - begin;
    return 0;
}

void SearchGraph::NormaliseEdges() {
    from_.assign(size_t(nodeCount) + 1, {});
    to_.assign(size_t(nodeCount) + 1, {});
    edgeOfPair_.clear();
    for (int e = 1; e <= edgeCount; ++e) {
        GraphEdge& edge = edges[size_t(e)];
        int a = From(edge), b = To(edge);
        if (a > b) std::swap(a, b);
        edge.from = uint16_t((edge.from & ~0xFFFu) | unsigned(a));
        edge.to = uint16_t((edge.to & ~0xFFFu) | unsigned(b));
        SetUsage(e, EdgeFree);
        if (a <= nodeCount && b <= nodeCount) {
            from_[size_t(a)].push_back(e);
            to_[size_t(b)].push_back(e);
        }
        edgeOfPair_.try_emplace(PairKey(a, b), e);
    }
}

int SearchGraph::FindEdge(int a, int b) const {
    const auto it = edgeOfPair_.find(PairKey(std::min(a, b), std::max(a, b)));
    return it == edgeOfPair_.end() ? 0 : it->second;
}

bool SearchGraph::Append(std::unique_ptr<ClosureLoop> loop) {
    if (next_ >= int(list_.size())) {
        ReportBound("闭合环太多, 超出的闭合环未列出");
        return false;
    }
    list_[size_t(next_++)] = std::move(loop);
    return true;
}

void SearchGraph::ReportBound(const char* text) {
    if (std::find(reported_.begin(), reported_.end(), text) != reported_.end()) return;
    reported_.push_back(text);
    ShowMessage(ui_, text, 0, MsgInfo);
}

std::unique_ptr<ClosureLoop> SearchGraph::TracePath(int p0, int p1, int mode, int kind) {
    auto loop = std::make_unique<ClosureLoop>();
    queue_.assign(1, p0);
    parent_.assign(1, 0);
    pathEdges_.clear();
    SetState(p0, NodeOnPath);
    bool found = false;
    for (size_t head = 0; head < queue_.size() && !found; ++head) {
        size_t cursor = 0;
        int x = 0;
        for (int e; !found && (e = NextIncidentEdge(queue_[head], EdgeTaken, x, cursor)) != 0;) {
            SetUsage(e, EdgeOnPath);  // not taken again in this search
            pathEdges_.push_back(e);
            if (OneWay(e) && !(mode == 2 && KnownSide(e))) continue;
            if (State(x) == NodeOnPath) continue;
            SetState(x, NodeOnPath);
            queue_.push_back(x);
            parent_.push_back(int(head));
            found = mode == 1 ? x == p1 : mode == 0 ? Class(x) == NodeFixed : KnownSide(e);
        }
    }
    for (const int n : queue_) SetState(n, NodeReached);
    for (const int e : pathEdges_) SetUsage(e, EdgeTaken);
    if (!found) return loop;

    // The goal, then its ancestors up to (not including) p0.
    std::vector<int16_t>& el = loop->elements;
    if (mode == 1) el.push_back(int16_t(p0));
    for (int j = int(queue_.size()) - 1; j != 0; j = parent_[size_t(j)]) el.push_back(int16_t(queue_[size_t(j)]));
    el.push_back(int16_t(p0));
    if (mode == 2) el.push_back(int16_t(p1));
    loop->count = int16_t(el.size());
    loop->SetClosed(mode == 1 ? 1 : 0);
    loop->SetKind(kind);
    return loop;
}

int SearchGraph::FindLoops(bool planeDirection, int kind) {
    const int before = Appended();
    IndexEdges();
    // Where each node's search for a free edge goes on: an edge passed over is taken, or is
    // one-way towards the node, and stays so for the rest of the pass.
    std::vector<size_t> cursor(size_t(nodeCount) + 1, 0);
    std::vector<int> queue;
    queue.reserve(size_t(nodeCount) + 1);
    bool fixedMet = false;  // a first fixed node or known side was met; kept across components
    for (int s = 1; s <= nodeCount; ++s) {
        if (State(s) != NodeUnreached) continue;
        queue.assign(1, s);
        SetState(s, NodeReached);
        if (!planeDirection && Class(s) == NodeFixed) fixedMet = true;
        for (size_t head = 0; head < queue.size();) {
            const int n = queue[head];
            int x = 0;
            const int e = NextIncidentEdge(n, EdgeFree, x, cursor[size_t(n)]);
            if (e == 0) {
                ++head;
                continue;
            }
            if (planeDirection) {
                if (KnownSide(e)) {
                    if (fixedMet) {
                        Append(TracePath(n, x, 2, kind));
                    } else {
                        fixedMet = true;
                    }
                }
                if (OneWay(e)) {
                    SetUsage(e, EdgeTaken);
                    continue;
                }
            }
            if (State(x) != NodeUnreached) {
                Append(TracePath(x, n, 1, kind));
                SetUsage(e, EdgeTaken);
                continue;
            }
            SetState(x, NodeReached);
            SetUsage(e, EdgeTaken);
            queue.push_back(x);
            if (!planeDirection && Class(x) == NodeFixed) {
                if (fixedMet) {
                    Append(TracePath(x, n, 0, kind));
                } else {
                    fixedMet = true;
                }
            }
        }
    }
    return Appended() - before;
}

}  // namespace quenvar
