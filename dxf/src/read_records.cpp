// The entity records: which pairs make one entity (its head record and the records that follow
// it), the blocks' definitions, and each record drawn by its kind, an INSERT by drawing its
// block's records through the insert's map.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "read_entities.h"

using dxfgeom::Affine;

namespace dxfread {

void Reader::Emit(const EntRef& r, const Affine& m, int depth, bool inBlock) {
    if (error_) return;
    if (++work_ > kMaxWork) {
        Fail(DXF_ERR_TOO_LARGE);
        return;
    }
    const std::string_view type = Trim(p_[r.begin].value());
    const uint32_t e = EntityEnd(r.begin, r.end);
    if (type == "LINE")
        EmitLineEnt(r.begin, e, m);
    else if (type == "ARC")
        EmitCircleArc(r.begin, e, m, true);
    else if (type == "CIRCLE")
        EmitCircleArc(r.begin, e, m, false);
    else if (type == "LWPOLYLINE")
        EmitLwPolyline(r.begin, e, m);
    else if (type == "POLYLINE")
        EmitPolyline(r, m);
    else if (type == "TEXT")
        EmitText(r.begin, e, m, MEntityKind::Text, false);
    else if (type == "MTEXT")
        EmitText(r.begin, e, m, MEntityKind::Text, true);
    else if (type == "ATTRIB")
        EmitText(r.begin, e, m, MEntityKind::Attribute, false);
    else if (type == "ATTDEF") {
        // Inside an inserted block an attribute definition is only the template of the
        // ATTRIB that follows the INSERT.
        if (!inBlock) EmitText(r.begin, e, m, MEntityKind::Attribute, false);
    } else if (type == "INSERT")
        EmitInsert(r, m, depth);
    else if (type == "ELLIPSE")
        EmitEllipse(r.begin, e, m);
    else if (type == "SPLINE")
        EmitSpline(r.begin, e, m);
    // Every other kind is skipped.
}

void Reader::EmitAll(const std::vector<EntRef>& list, const Affine& m, int depth, bool inBlock) {
    for (const EntRef& r : list) {
        if (error_) return;
        Emit(r, m, depth, inBlock);
    }
}

// Entity records in [begin, end): each from its "0 <type>" pair to the next, a POLYLINE with
// its VERTEX records and SEQEND, an INSERT with attributes with its ATTRIB records and SEQEND.
void Reader::Collect(uint32_t begin, uint32_t end, std::vector<EntRef>& out) {
    uint32_t i = begin;
    while (i < end && p_[i].code != 0) ++i;
    while (i < end) {
        const uint32_t start = i;
        uint32_t e = EntityEnd(i, end);
        if (const char* const sub = SubRecordsOf(p_ + start, p_ + e)) {
            while (e < end && Is(p_[e].value(), sub)) e = EntityEnd(e, end);
            if (e < end && Is(p_[e].value(), "SEQEND")) e = EntityEnd(e, end);
        }
        out.push_back(EntRef{start, e});
        i = e;
    }
}

void Reader::ReadBlocks(uint32_t begin, uint32_t end) {
    uint32_t i = begin;
    while (i < end && !error_) {
        if (p_[i].code != 0 || !Is(p_[i].value(), "BLOCK")) {
            ++i;
            continue;
        }
        const uint32_t headEnd = EntityEnd(i, end);
        Block blk;
        std::string name;
        for (uint32_t k = i + 1; k < headEnd; ++k) {
            const Pair& q = p_[k];
            if (q.code == 2) name = plat::ToUpperAscii(Trim(q.value()));
            if (q.code == 10) blk.baseX = Num(q);
            if (q.code == 20) blk.baseY = Num(q);
        }
        uint32_t bodyEnd = headEnd;
        while (bodyEnd < end && !(p_[bodyEnd].code == 0 && Is(p_[bodyEnd].value(), "ENDBLK"))) ++bodyEnd;
        Collect(headEnd, bodyEnd, blk.entities);
        // The first definition of a name wins.
        blocks_.emplace(std::move(name), std::move(blk));
        i = bodyEnd;
    }
}

void Reader::EmitInsert(const EntRef& r, const Affine& m, int depth) {
    Common c;
    std::string name;
    double x = 0, y = 0, z = 0, sx = 1, sy = 1, rot = 0, colSp = 0, rowSp = 0;
    int32_t cols = 1, rows = 1;
    const uint32_t headEnd = EntityEnd(r.begin, r.end);
    ReadOwnPairs(r.begin, headEnd, c, [&](const Pair& q) {
        switch (q.code) {
        case 2: name = plat::ToUpperAscii(Trim(q.value())); break;
        case 10: x = Num(q); break;
        case 20: y = Num(q); break;
        case 30: z = Num(q); break;
        case 41: sx = Num(q); break;
        case 42: sy = Num(q); break;
        case 50: rot = Num(q); break;
        case 70: cols = Int(q); break;
        case 71: rows = Int(q); break;
        case 44: colSp = Num(q); break;
        case 45: rowSp = Num(q); break;
        default: break;
        }
    });
    if (c.paperSpace || error_) return;
    auto it = blocks_.find(name);
    // Decision: a block met again on its own chain of inserts (directly or through others) is
    // not expanded again, and chains deeper than kMaxBlockNesting stop there.
    if (it != blocks_.end() && !it->second.expanding && depth < kMaxBlockNesting) {
        Block& blk = it->second;
        const Affine place = m * OcsAffine(c.ext, z) * Affine::Translate(x, y) * Affine::RotateDeg(rot);
        const Affine local = Affine::Scale(sx, sy) * Affine::Translate(-blk.baseX, -blk.baseY);
        EmitInsertArray(blk, std::clamp(cols, 1, kMaxArray), std::clamp(rows, 1, kMaxArray), colSp, rowSp, place,
                        local, depth);
    }
    // Attributes that follow the insert already stand where they are shown.
    for (uint32_t i = headEnd; i < r.end && !error_;) {
        const uint32_t e = EntityEnd(i, r.end);
        if (Is(p_[i].value(), "ATTRIB")) EmitText(i, e, m, MEntityKind::Attribute, false);
        i = e;
    }
}

// The block's records at every place of the insert's columns and rows, the block marked as on the
// chain of inserts meanwhile.
void Reader::EmitInsertArray(Block& blk, int32_t cols, int32_t rows, double colSp, double rowSp,
                             const Affine& place, const Affine& local, int depth) {
    blk.expanding = true;
    for (int32_t row = 0; row < rows && !error_; ++row)
        for (int32_t col = 0; col < cols && !error_; ++col) {
            if (++work_ > kMaxWork) { // an array of empty blocks must not spin either
                Fail(DXF_ERR_TOO_LARGE);
                break;
            }
            const Pair* const own = p_;
            p_ = blockPairs_;
            EmitAll(blk.entities, place * Affine::Translate(double(col) * colSp, double(row) * rowSp) * local,
                    depth + 1, true);
            p_ = own;
        }
    blk.expanding = false;
}

} // namespace dxfread
