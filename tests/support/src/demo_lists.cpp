// The bar lists shipped with the demo installation (demo/LDA/). Regenerate them with
// make_demo_lists <folder>; the barlist tests check that the shipped files match.
#include <string>

#include "machine/lda_format.h"
#include "test_support/lda_writer.h"

namespace ldatest {

namespace {

MachiningSpec Drill(int32_t x, int32_t y, int32_t z, float face, const char* tool, int32_t diameter, int16_t id) {
    MachiningSpec m;
    m.figure = 1;
    m.shortText = "FORO";
    m.faceAngle = face;
    m.x = x;
    m.y = y;
    m.z = z;
    m.tool = tool;
    m.params = {diameter};
    m.xMin = -diameter / 2;
    m.xMax = diameter / 2;
    m.yMin = -diameter / 2;
    m.yMax = diameter / 2;
    m.depthCount = 1;
    m.nomeLdt = "DEMO";
    m.idLdt = id;
    return m;
}

MachiningSpec Slot(int32_t x, int32_t y, int32_t z, float face, const char* tool, int32_t length, int32_t width,
                   int16_t id) {
    MachiningSpec m;
    m.figure = 2;
    m.shortText = "ASOLA";
    m.faceAngle = face;
    m.x = x;
    m.y = y;
    m.z = z;
    m.tool = tool;
    m.params = {length, width, width / 2};
    m.xMin = -length / 2;
    m.xMax = length / 2;
    m.yMin = -width / 2;
    m.yMax = width / 2;
    m.depthCount = 3; // two depth steps
    m.stepDepth = 1500;
    m.tail = DepthTail({1500, 3000});
    m.nomeLdt = "DEMO";
    m.idLdt = id;
    return m;
}

PieceSpec Piece(const char* name, int32_t length, int32_t right, int32_t left, const char* info) {
    PieceSpec p;
    p.name = name;
    p.length = length;
    p.firstAngle = right;
    p.secondAngle = left;
    p.addInfo = info;
    return p;
}

// Window frames in aluminium: mitred ends, drain slots and hinge drillings.
ListSpec WindowList() {
    ListSpec spec;
    spec.description = "ORDINE 1024 FINESTRE ALLUMINIO";
    BarSpec frame;
    frame.name = "TELAIO";
    frame.series = "ALU60";
    frame.code = "T6001";
    frame.label = "<ALU60>";
    frame.yMax = 60000;
    frame.zMax = 45000;
    frame.length = 6500000;
    frame.repetitions = 2;
    PieceSpec top = Piece("TRAV SUP", 1200000, 45000, 45000, "ORD1024 F1");
    top.machinings = {Slot(150000, 30000, 0, 90, "FRESA8", 30000, 8000, 1),
                      Slot(1050000, 30000, 0, 90, "FRESA8", 30000, 8000, 2)};
    PieceSpec bottom = Piece("TRAV INF", 1200000, 45000, 45000, "ORD1024 F1");
    bottom.machinings = {Slot(200000, 15000, 0, -90, "FRESA6", 25000, 6000, 3),
                         Slot(1000000, 15000, 0, -90, "FRESA6", 25000, 6000, 4),
                         Drill(600000, 22500, 0, 0, "PUNTA5", 5000, 5)};
    PieceSpec left = Piece("MONT SX", 1400000, 45000, 45000, "ORD1024 F1");
    left.machinings = {Drill(250000, 30000, 0, 180, "PUNTA8", 8000, 6), Drill(1150000, 30000, 0, 180, "PUNTA8", 8000, 7),
                       Drill(700000, 20000, 0, 0, "PUNTA5", 5000, 8)};
    PieceSpec right = Piece("MONT DX", 1400000, 45000, 45000, "ORD1024 F1");
    right.machinings = {Drill(700000, 20000, 0, 0, "PUNTA5", 5000, 9)};
    frame.pieces = {top, bottom, left, right};
    spec.bars.push_back(frame);

    BarSpec sash = frame;
    sash.name = "ANTA";
    sash.code = "A6010";
    sash.label = "0042";
    sash.yMax = 70000;
    sash.zMax = 52000;
    sash.repetitions = 1;
    PieceSpec s1 = Piece("ANTA SUP", 1150000, 45000, 45000, "ORD1024 A1");
    s1.machinings = {Drill(575000, 35000, 0, 90, "PUNTA5", 5000, 10)};
    PieceSpec s2 = Piece("ANTA LAT", 1350000, 45000, 45000, "ORD1024 A1");
    s2.machinings = {Slot(675000, 35000, 0, 90, "FRESA8", 160000, 16000, 11),
                     Drill(200000, 20000, 0, -90, "PUNTA8", 8000, 12)};
    sash.pieces = {s1, s2, Piece("ANTA INF", 1150000, 45000, 45000, "ORD1024 A1")};
    spec.bars.push_back(sash);
    return spec;
}

// PVC doors: square and angled ends, bars machined as a whole, an empty bar left in the list.
ListSpec DoorList() {
    ListSpec spec;
    spec.description = "ORDINE 2048 PORTE PVC";
    BarSpec transom;
    transom.name = "TRAVERSO";
    transom.series = "PVC70";
    transom.code = "P7020";
    transom.label = "PORTA 1";
    transom.yMax = 70000;
    transom.zMax = 80000;
    transom.length = 6000000;
    transom.repetitions = 3;
    PieceSpec t1 = Piece("TRAV 900", 900000, 90000, 90000, "PORTA 1");
    t1.machinings = {Drill(100000, 35000, 40000, 90, "PUNTA8", 8000, 1), Drill(800000, 35000, 40000, 90, "PUNTA8", 8000, 2),
                     Slot(450000, 35000, 40000, 0, "FRESA6", 40000, 10000, 3)};
    // Angled ends stay at 45 degrees: the machines of variant 2 cut only square and 45-degree ends.
    PieceSpec t2 = Piece("TRAV 900", 900000, 45000, 90000, "PORTA 1");
    t2.machinings = {Drill(450000, 35000, 40000, -90, "PUNTA5", 5000, 4)};
    transom.pieces = {t1, t2};
    spec.bars.push_back(transom);

    BarSpec post;
    post.name = "MONTANTE";
    post.series = "PVC70";
    post.code = "P7031";
    post.label = "";
    post.yMax = 70000;
    post.zMax = 80000;
    post.length = 2150000;
    post.firstCutAngle = 4500;
    post.secondCutAngle = 9000;
    post.repetitions = 4;
    for (int i = 0; i < 3; ++i)
        post.machinings.push_back(Drill(400000 + i * 600000, 35000, 40000, 90, "PUNTA8", 8000, static_cast<int16_t>(10 + i)));
    post.machinings.push_back(Slot(1100000, 20000, 0, 180, "FRESA6", 60000, 12000, 13));
    spec.bars.push_back(post);

    BarSpec empty; // nothing to machine: not loaded, still counted
    empty.name = "RESTO";
    empty.series = "PVC70";
    empty.code = "P7020";
    empty.length = 3000000;
    spec.bars.push_back(empty);

    BarSpec done = transom;
    done.name = "FATTO";
    done.repetitions = 0;
    spec.bars.push_back(done);
    return spec;
}

// Shop-front profiles from an older office program (version 101): converted on first opening.
ListSpec ShopFrontList() {
    ListSpec spec;
    spec.version = 101;
    spec.description = "ORDINE 0777 VETRINA";
    BarSpec beam;
    beam.name = "ZOCCOLO";
    beam.series = "ALU72";
    beam.code = "Z7200";
    beam.label = "V1";
    beam.yMax = 72000;
    beam.zMax = 110000;
    beam.length = 6500000;
    beam.repetitions = 2;
    PieceSpec z1 = Piece("ZOCCOLO", 2400000, 90000, 90000, "VETRINA");
    z1.machinings = {Drill(300000, 36000, 55000, 90, "PUNTA8", 8000, 1), Drill(1200000, 36000, 55000, 90, "PUNTA8", 8000, 2),
                     Drill(2100000, 36000, 55000, 90, "PUNTA8", 8000, 3),
                     Slot(1200000, 36000, 0, 0, "FRESA8", 80000, 8000, 4)};
    PieceSpec z2 = Piece("RIPORTO", 1800000, 90000, 45000, "VETRINA");
    z2.machinings = {Drill(900000, 20000, 55000, -90, "PUNTA5", 5000, 5)};
    beam.pieces = {z1, z2};
    spec.bars.push_back(beam);

    // The transom needs the 10 mm cutter and the countersink, which no earlier demo bar uses:
    // neither is mounted when this list opens, so the tool-setup optimiser mounts both.
    BarSpec transom = beam;
    transom.name = "TRAVERSO";
    transom.label = "V2";
    transom.repetitions = 1;
    PieceSpec t1 = Piece("TRAVERSO", 2200000, 90000, 90000, "VETRINA");
    t1.machinings = {Slot(550000, 36000, 0, 0, "FRESA10", 60000, 10000, 1),
                     Slot(1650000, 36000, 0, 0, "FRESA10", 60000, 10000, 2),
                     Drill(1100000, 36000, 20000, 0, "SVAS12", 12000, 3)};
    transom.pieces = {t1};
    spec.bars.push_back(transom);
    return spec;
}

} // namespace

bool WriteDemoLists(const std::string& dir) {
    return WriteLda(dir + "/FINESTRE.lda", WindowList()) && WriteLda(dir + "/PORTE.lda", DoorList()) &&
           WriteLda(dir + "/VETRINA.lda", ShopFrontList());
}

} // namespace ldatest
