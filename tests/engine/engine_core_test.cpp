// The bar computation core: clamp codes, face classes, insertion marks, end offsets and the
// small operations the later steps rely on.
#include <cmath>

#include "engine_fixture.h"
#include "machine/utils.h"

namespace enginetest {
namespace {

class CoreTest : public EngineTest {
protected:
    BarComputation& OneBar(std::vector<ldatest::PieceSpec> pieces) {
        BarComputation& bc = Open(List({Bar(std::move(pieces))}));
        EXPECT_EQ(bc.ComputeBar(0, 0), 0) << g_errorText;
        return bc;
    }
    int Clamp(BarComputation& bc, int variant, int kind, int32_t position) {
        MachineVariant = variant;
        WorkingMachining m;
        m.cutKind = kind;
        m.cutPosition = position;
        m.X = 1000000;
        bc.SetCutClampCode(m);
        return m.clampCode;
    }
};

TEST_F(CoreTest, ClampCodesOverVariantCutKindAndThresholds) {
    BarComputation& bc = OneBar({Piece("A", 1000000)});
    MachineSettings& s = *g_pSettings;
    s.DIM_BOTOLA = 500000;
    s.MAX_POLVERE = 20000;
    s.DIM_MIN_PEZZO = 300000;
    s.DIM_MAX_PZ_BOT = 400000;
    s.DIM_CONT_PZ_CORTO = 450000;
    s.TIPO_SCARIC = 3;
    s.options.ASSEC = 0;
    // Variant 0.
    EXPECT_EQ(Clamp(bc, 0, 2, 499999), 258);
    EXPECT_EQ(Clamp(bc, 0, 2, 500000), 264);
    EXPECT_EQ(Clamp(bc, 0, 1, 299999), 258);
    EXPECT_EQ(Clamp(bc, 0, 1, 300000), 258); // TIPO_SCARIC 3
    s.TIPO_SCARIC = 1;
    EXPECT_EQ(Clamp(bc, 0, 1, 300000), 264);
    EXPECT_EQ(Clamp(bc, 0, 1, 500000), 264);
    // Variant 1: kind 2 stops before the clamp positions.
    EXPECT_EQ(Clamp(bc, 1, 2, 10), 1);
    EXPECT_EQ(Clamp(bc, 1, 2, 500000), 8);
    EXPECT_EQ(Clamp(bc, 1, 1, 399999), 258);
    EXPECT_EQ(Clamp(bc, 1, 1, 400000), 264);
    s.options.ASSEC = 1;
    EXPECT_EQ(Clamp(bc, 1, 1, 399999), 258);
    EXPECT_EQ(Clamp(bc, 1, 1, 400000), 320);
    EXPECT_EQ(Clamp(bc, 1, 1, 450000), 264);
    s.options.ASSEC = 0;
    // Variant 2.
    EXPECT_EQ(Clamp(bc, 2, 2, 19999), 1);
    EXPECT_EQ(Clamp(bc, 2, 2, 20000), 258);
    EXPECT_EQ(Clamp(bc, 2, 2, 500000), 264);
    EXPECT_EQ(Clamp(bc, 2, 3, 1), 32);
    EXPECT_EQ(Clamp(bc, 2, 1, 299999), 258);
    EXPECT_EQ(Clamp(bc, 2, 1, 300000), 264); // TIPO_SCARIC 1
    s.DIM_BOTOLA = 0;
    EXPECT_EQ(Clamp(bc, 2, 2, 19999), 1);
    EXPECT_EQ(Clamp(bc, 2, 2, 20000), 264);
    EXPECT_EQ(Clamp(bc, 2, 1, 1), 264);
}

TEST_F(CoreTest, ClampPositionsFollowTheVariantsViceOrigin) {
    BarComputation& bc = OneBar({Piece("A", 1000000)});
    g_pSettings->X_MIN_SPATOLA = 1000;
    g_pSettings->X_MIN_MORSA = 2000;
    g_pSettings->DIM_BOTOLA = 0;
    MachineVariant = 0;
    WorkingMachining m;
    m.cutKind = 1;
    m.X = 1000000;
    bc.SetCutClampCode(m);
    EXPECT_EQ(m.clampPos[0], bc.currentBar->length - 1000000 + 1000);
    MachineVariant = 1;
    bc.SetCutClampCode(m);
    EXPECT_EQ(m.clampPos[2], bc.currentBar->length - 1000000 + 2000);
}

TEST_F(CoreTest, TailClampCodes) {
    BarComputation& bc = OneBar({Piece("A", 1000000)});
    MachineSettings& s = *g_pSettings;
    s.DIM_BOTOLA = 500000;
    s.DIM_MIN_PEZZO = 300000;
    s.MAX_POLVERE = 20000;
    s.DIM_MIN_SCARTO = 100000;
    MachineVariant = 0;
    bc.SetTailClampCode(499999, 2);
    EXPECT_EQ(bc.tailClampCode, 258);
    bc.SetTailClampCode(299999, 1);
    EXPECT_EQ(bc.tailClampCode, 258);
    bc.SetTailClampCode(300000, 1);
    EXPECT_EQ(bc.tailClampCode, 264);
    MachineVariant = 2;
    bc.SetTailClampCode(10, 2);
    EXPECT_EQ(bc.tailClampCode, 1);
    bc.SetTailClampCode(30000, 2);
    EXPECT_EQ(bc.tailClampCode, 2);
    s.DIM_BOTOLA = 0;
    bc.SetTailClampCode(30000, 2);
    EXPECT_EQ(bc.tailClampCode, 4);
    EXPECT_EQ(bc.tailLength, 30000);
    EXPECT_EQ(bc.tailClampMode, 2);
}

TEST_F(CoreTest, FaceClassesAndTurnedCoordinates) {
    ldatest::PieceSpec p = Piece("A", 1000000);
    p.machinings = {Drill(100000, 0), Drill(200000, 90), Drill(300000, 180), Drill(400000, -90), Drill(500000, 30)};
    BarComputation& bc = OneBar({p});
    ASSERT_EQ(bc.machiningCount, 5);
    for (int i = 0; i < 5; ++i) {
        const WorkingMachining& m = *bc.records[static_cast<std::size_t>(i)];
        const int32_t y = m.Y, z = m.Z;
        switch (m.Angolo) {
        case 0: EXPECT_EQ(m.Tipo, 1); EXPECT_EQ(m.RY, y); EXPECT_EQ(m.RZ, z); break;
        case 90000: EXPECT_EQ(m.Tipo, 3); EXPECT_EQ(m.RY, z); EXPECT_EQ(m.RZ, -y); break;
        case 180000: EXPECT_EQ(m.Tipo, 5); EXPECT_EQ(m.RY, -y); EXPECT_EQ(m.RZ, -z); break;
        case -90000:
            EXPECT_EQ(m.Tipo, 6);
            EXPECT_EQ(m.sine, -1.0);
            EXPECT_EQ(m.cosine, 0.0);
            EXPECT_EQ(m.RY, -z);
            EXPECT_EQ(m.RZ, y);
            break;
        default:
            EXPECT_EQ(m.Angolo, 30000);
            EXPECT_EQ(m.Tipo, 0);
            EXPECT_EQ(m.RY, static_cast<int32_t>(z * 0.5 + y * std::cos(M_PI / 6)));
            break;
        }
        // Without the off-centre option the ralla coordinates are the plain ones.
        EXPECT_EQ(m.rallaY, y);
        EXPECT_EQ(m.centreZ, m.RZ);
    }
}

TEST_F(CoreTest, InsertionMarksCountThousandApartButNotThousandAndOne) {
    for (int gap : {1000, 1001}) {
        SCOPED_TRACE(gap);
        ldatest::PieceSpec p = Piece("A", 1000000);
        p.machinings = {Drill(100000, 90), Drill(100000 + gap, 90), Drill(100000 + 2 * gap, 90)};
        BarComputation& bc = OneBar({p});
        g_pSettings->INSER_OTTIM = 1;
        bc.MarkInsertions();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(bc.records[static_cast<std::size_t>(i)]->insertionMark, gap == 1000 ? 2 : 0);
        g_pSettings->INSER_OTTIM = 0;
        bc.MarkInsertions();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(bc.records[static_cast<std::size_t>(i)]->insertionMark, 2);
    }
}

TEST_F(CoreTest, EndOffsetsAtNinetyAndFortyFive) {
    g_pSettings->SPESS_LAMA = 4000;
    g_pSettings->OFF_X_LAMA = 0;
    g_pSettings->OFF_Y_LAMA = 0;
    g_pSettings->CONF_CARICO = 0;
    for (int variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        MachineVariant = variant;
        BarComputation& bc = OneBar({Piece("A", 1000000, 90000, 45000), Piece("B", 1000000, 45000, 90000)});
        bc.ComputeEndOffsets();
        WorkingPiece& a = *bc.pieces[0];
        WorkingPiece& b = *bc.pieces[1];
        EXPECT_EQ(a.BladeOffset(0), 4000);
        EXPECT_EQ(a.SlopeOffset(0), 0);
        EXPECT_EQ(a.BladeOffset(1), variant == 2 ? 0 : static_cast<int32_t>(4000 * 1.41421356));
        EXPECT_EQ(a.SlopeOffset(1), 60000); // profile width x 1/tan 45
        EXPECT_EQ(b.BladeOffset(0), variant == 2 ? 0 : 5656);
        // The left end of a piece given a positive angle turns to 180 - angle.
        EXPECT_EQ(a.ASx, 135000);
        EXPECT_EQ(b.ADx, 45000);
        // Pieces come back in their own order.
        EXPECT_EQ(a.Id, 1);
        EXPECT_EQ(b.Id, 2);
    }
}

TEST_F(CoreTest, SmallOperations) {
    int32_t a = 0, b = 0;
    SplitCompoundAngle(450009000, &a, &b);
    EXPECT_EQ(a, 45000);
    EXPECT_EQ(b, 90000);
    EXPECT_EQ(StepIntoRange(370000, 360000, 0, 360000), 10000);
    EXPECT_EQ(StepIntoRange(360000, 360000, 0, 360000), 0);
    EXPECT_EQ(StepIntoRange(-90000, 180000, -179999, 360000), -90000);
    EXPECT_EQ(StepIntoRange(270000, 180000, -179999, 360000), -90000);
    // The low bound rounds to -180000 (halves away from zero), which is kept.
    EXPECT_EQ(StepIntoRange(-180000, 180000, -179999, 360000), -180000);
    EXPECT_EQ(StepIntoRange(-180010, 180000, -179999, 360000), 179990);
    EXPECT_EQ(IsFigureMachining(7), 1);
    EXPECT_EQ(IsFigureMachining(8), 0);
    EXPECT_EQ(IsFigureMachining(0), 0);
}

TEST_F(CoreTest, ShiftForHeadTrimMovesMachiningsAndCuts) {
    ldatest::PieceSpec p = Piece("A", 1000000);
    p.machinings = {Drill(100000, 90)};
    BarComputation& bc = OneBar({p});
    MachineVariant = 0;
    g_pSettings->CARIC_AUTOM = 1;
    g_pSettings->AUTO_TRAS_LAV = 1;
    g_pSettings->SCARTO_CODA = 10000;
    g_pSettings->SPESS_LAMA = 4000;
    const int32_t x = bc.records[0]->X;
    bc.tailClampCode = 264;
    bc.ShiftForHeadTrim(500000, 30000);
    EXPECT_EQ(bc.records[0]->X, x - 20000);
    EXPECT_EQ(bc.order[static_cast<std::size_t>(bc.orderedMachinings)]->cutPosition, 20000);
    EXPECT_EQ(bc.tailOffset, 30000 - 10000 - 4000);
    EXPECT_EQ(bc.tailLength, 480000);
    // A tail clamp code of 1 leaves everything.
    bc.tailClampCode = 1;
    bc.ShiftForHeadTrim(500000, 30000);
    EXPECT_EQ(bc.records[0]->X, x - 20000);
}

// Variant 1: an end cut's points stand on the bar like its X, so they move with it; cuts and
// machinings are then positioned on one bar.
TEST_F(CoreTest, ShiftForHeadTrimMovesEndCutPointsWithTheCut) {
    BarComputation& bc = OneBar({Piece("A", 1000000)});
    MachineVariant = 1;
    g_pSettings->AUTO_TRAS_LAV = 1;
    bc.currentBar->TAIL_SCRAP = 10000;
    WorkingMachining& cut = *bc.order[static_cast<std::size_t>(bc.orderedMachinings)];
    cut.TipoLavor = kKindEndCut;
    cut.X = 400000;
    cut.cutPointX[0] = 400000;
    cut.cutPointX[1] = 380000;
    bc.tailClampCode = 264;
    bc.ShiftForHeadTrim(500000, 30000);
    EXPECT_EQ(cut.X, 380000);
    EXPECT_EQ(cut.cutPointX[0], 380000);
    EXPECT_EQ(cut.cutPointX[1], 360000);
    EXPECT_EQ(cut.cutPointX[2], 0) << "the end of the point list stays";
}

} // namespace
} // namespace enginetest
