// Part-program body, the frame both machine variants' bodies share, in its steps:
//   1. the bar's reckoning: the pieces checked, the remnant, the pre-cut tail   StartBody
//   2. the variant's opening: head, reference run, loading, first tool change
//        variants 0 and 2 WriteDefaultOpening                                 iso_generate.cpp
//        variant 1 WriteV1Opening                                             iso_variant1.cpp
//   3. the records in their order, each after the unloading it waits for      WriteRecordsInOrder
//        the pending unloading and its rules                                   iso_pending_unload.cpp
//        each record by the variant's writer (WriteDefaultRecord, WriteV1Record)
//   4. the tail: the last unloading, the bar's end as the variant writes it,
//      the next tool, the repeat and the program's end                        WriteBodyTail
#include <algorithm>

#include "engine/iso_generator.h"
#include "machine/globals.h"

// The remnant unloaded last is what the tail-most cut leaves, not the pieces' reckoning. The
// program opens with "%" and its numbered lines from 1.
int IsoProgramGenerator::StartBody(Body& b) {
    int32_t reckoned = 0;
    if (CheckPieces(&reckoned) != 0) return 1;
    b.remnant = BarLeftovers().tail;
    remnant_ = b.remnant;
    b.preCutTail = PreCutTailCut();
    b.check = ToolCheckValue();
    b.n = std::min<int>(orderedRecords, static_cast<int>(order.size()));
    for (int i = 0; i < b.n && b.firstMachining == nullptr; ++i)
        if (order[static_cast<std::size_t>(i)]->TipoLavor == kKindRalla) b.firstMachining = order[static_cast<std::size_t>(i)];
    // The opening's tool change stands for the first machining's own.
    b.prevMachining = b.firstMachining;
    Out("%%\n");
    lineCounter = 1;
    return 0;
}

// The reference run after the head, and the next tool's check when the check comes first.
void IsoProgramGenerator::WriteReferenceRun(const Body& b) {
    Out("\n");
    Block("L<RIFAUTO.BRE>\n\n");
    if (b.check == 1 || b.check == 3) WriteNextToolBlock();
}

int IsoProgramGenerator::WriteRecordsInOrder(Body& b, const std::function<int(BodyRecord&)>& write) {
    const WorkingMachining* prevRecord = nullptr;
    for (int i = 0; i < b.n; ++i) {
        WorkingMachining& r = *order[static_cast<std::size_t>(i)];
        const WorkingMachining* next = nullptr;
        for (int j = i + 1; j < b.n && next == nullptr; ++j)
            if (order[static_cast<std::size_t>(j)]->TipoLavor == kKindRalla) next = order[static_cast<std::size_t>(j)];

        bool unloaded = false;
        if (UnloadDueBefore(b.pending, i)) {
            if (WritePendingUnload(b.pending, false) != 0) return 1;
            unloaded = true;
        }
        // Any record but a machining feeds or unloads the bar (variant 2 then positions it anew).
        if (unloaded || prevRecord == nullptr || prevRecord->TipoLavor != kKindRalla) barStandsAt_ = kBarMoved;

        // The pre-cut last piece has no tail cut: it stays on the bar and leaves with the remnant.
        if (&r != b.preCutTail) {
            BodyRecord rec{r, i, next, prevRecord, unloaded};
            if (write(rec) != 0) return 1;
        }
        prevRecord = &r;
    }
    return 0;
}

int IsoProgramGenerator::WriteBodyTail(Body& b, int32_t step, const std::function<int()>& writeBarEnd) {
    if (b.pending.cut != nullptr && WritePendingUnload(b.pending, true) != 0) return 1;
    if (writeBarEnd() != 0) return 1;
    if (b.check == 2 || b.check == 3) WriteNextToolBlock();
    WriteRepeat(step, b.repeatStart);
    if (MachineVariant != 0) {
        if (lastBarOfList)
            Block("R%d=1      { Barre Terminate }\n\n", 545);
        else
            Block("R%d=0      { Barre non Terminate }\n\n", 545);
    }
    Block("L<FINEALL.BRE>\n\n");
    if (FinishFile() != 0) {
        SetProgramWriteFault(writeErrno_);
        return 1;
    }
    return 0;
}
