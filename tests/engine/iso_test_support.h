#pragma once
// Shared set-up of the part-program tests: a list opened as the generator, programs read back
// with their line ends checked, and a writer whose output goes to a scratch file.
#include <sstream>
#include <string>
#include <vector>

#include "engine/iso_generator.h"
#include "engine_fixture.h"

namespace enginetest {

class IsoTest : public EngineTest {
protected:
    IsoProgramGenerator& OpenGen(const ldatest::ListSpec& spec) {
        EXPECT_TRUE(ldatest::WriteLda(dir_ + "LIST.lda", spec));
        auto gen = std::make_unique<IsoProgramGenerator>((dir_ + "LIST.lda").c_str());
        EXPECT_TRUE(gen->IsLoaded()) << g_errorText;
        IsoProgramGenerator& g = *gen;
        list_ = std::move(gen);
        return g;
    }

    // Profile drawings of the demo, where the bars' end cuts are planned against their sections.
    void UseDemoDrawings() {
        std::snprintf(g_pSettings->DIR_DXF, sizeof g_pSettings->DIR_DXF, "%s", BRELON_SOURCE_DIR "/demo/DXF/");
    }
    // The first demo list, opened as the generator (its first bar: an aluminium profile with a
    // drawn section, four pieces cut at 45 and 135 degrees).
    IsoProgramGenerator& OpenDemo() {
        EXPECT_TRUE(ldatest::WriteDemoLists(dir_));
        SetCurrentListName((dir_ + "FINESTRE.lda").c_str());
        list_ = std::make_unique<IsoProgramGenerator>((dir_ + "FINESTRE.lda").c_str());
        EXPECT_TRUE(list_->IsLoaded()) << g_errorText;
        return static_cast<IsoProgramGenerator&>(*list_);
    }

    // Opens a scratch program for the block writers (counter at 1).
    void StartScratch(IsoProgramGenerator& g) {
        const std::string path = dir_ + "scratch.iso";
        std::snprintf(g.isoPath, sizeof g.isoPath, "%s", path.c_str());
        g.isoFile = std::fopen(path.c_str(), "wb");
        ASSERT_NE(g.isoFile, nullptr);
        g.lineCounter = 1;
    }
    // Closes the scratch program and returns its lines (CR LF checked and removed).
    std::vector<std::string> EndScratch(IsoProgramGenerator& g) {
        g.FlushBuffer();
        if (g.isoFile != nullptr) std::fclose(g.isoFile);
        g.isoFile = nullptr;
        return Lines(ReadFile(dir_ + "scratch.iso"));
    }

    // Lines of a program; every line must end in CR LF.
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> out;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t nl = text.find('\n', pos);
            if (nl == std::string::npos) {
                ADD_FAILURE() << "last line without a line end";
                out.push_back(text.substr(pos));
                break;
            }
            EXPECT_TRUE(nl > pos && text[nl - 1] == '\r') << "line without CR LF: " << text.substr(pos, nl - pos);
            out.push_back(text.substr(pos, nl - pos - (nl > pos && text[nl - 1] == '\r' ? 1 : 0)));
            pos = nl + 1;
        }
        return out;
    }

    // The numbered lines' numbers must run 1, 2, 3 ... without gaps.
    static void ExpectContiguous(const std::vector<std::string>& lines) {
        int expect = 1;
        for (const std::string& l : lines) {
            if (l.size() < 2 || l[0] != 'N' || !std::isdigit(static_cast<unsigned char>(l[1]))) continue;
            EXPECT_EQ(std::stoi(l.substr(1)), expect) << l;
            expect = std::stoi(l.substr(1)) + 1;
        }
    }

    // Text after "N<n> " of a numbered line.
    static std::string Body(const std::string& line) {
        if (line.empty() || line[0] != 'N') return line;
        const std::size_t sp = line.find(' ');
        return sp == std::string::npos ? std::string() : line.substr(sp + 1);
    }
    static std::vector<std::string> Bodies(const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const std::string& l : lines)
            if (!l.empty()) out.push_back(Body(l));
        return out;
    }
    static bool Has(const std::vector<std::string>& bodies, const std::string& b) {
        for (const std::string& x : bodies)
            if (x == b) return true;
        return false;
    }
    static int IndexOf(const std::vector<std::string>& bodies, const std::string& prefix, int from = 0) {
        for (int i = from; i < static_cast<int>(bodies.size()); ++i)
            if (bodies[static_cast<std::size_t>(i)].rfind(prefix, 0) == 0) return i;
        return -1;
    }
};

} // namespace enginetest
