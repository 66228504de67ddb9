// Load-from-memory and parse of a ~10 MB skin-like UTF-8 document with XmlDoc, next to pugixml
// parsing the same bytes (the yardstick: XmlDoc should take at most 1.5 times as long). Both
// documents are reused across iterations, so each run starts from a warm heap.
#include "skin/files/SkinLookup.h"
#include "skin/files/XmlDoc.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Sections of entries in the shape of a layout file: seven-field values, font attributes, a few
// references, comments and texts. Attribute values are quoted so that the strict yardstick
// parser reads the whole document too.
std::string MakeSkinDocument(size_t targetBytes) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root>\n";
    for (int section = 0; doc.size() < targetBytes; ++section) {
        std::string name = "SECTION_" + std::to_string(section);
        doc += "  <" + name + ">\n    <!-- controls of " + name + " -->\n";
        for (int entry = 0; entry < 40; ++entry) {
            std::string key = "BUTTON_" + std::to_string(entry);
            doc += "    <" + key;
            if (entry % 3 == 0) {
                doc += " FONT=\"Heroic Condensed\" SIZE='14' COLOR=\"11892106\"";
            } else if (entry % 3 == 1) {
                doc += " OFFSETX='4' ITEM_HEIGHT=\"28\"";
            }
            doc += ">" + key + "," + std::to_string(entry * 7) + ",222,65,26,Save &amp; close," +
                   (entry % 2 ? "FALSE" : "1") + "</" + key + ">\n";
        }
        doc += "    <STR_TITLE>Lighting \\r\\n profile " + std::to_string(section) +
               "</STR_TITLE>\n  </" + name + ">\n";
    }
    return doc + "</root>\n";
}

const std::string& Document() {
    static const std::string doc = MakeSkinDocument(10u << 20);
    return doc;
}

void XmlDocLoadAndParse(benchmark::State& state) {
    const std::string& bytes = Document();
    lumetta::XmlDoc doc;
    for (auto _ : state) {
        doc.LoadFromMemory(bytes);
        bool ok = doc.ParseText();
        benchmark::DoNotOptimize(ok);
    }
    state.counters["elements"] = doc.Elements().Size();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(XmlDocLoadAndParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void PugixmlParse(benchmark::State& state) {
    const std::string& bytes = Document();
    pugi::xml_document doc;
    for (auto _ : state) {
        pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size());
        if (!result) {
            state.SkipWithError(result.description());
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(PugixmlParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The two halves of XmlDoc's work, to see where the time goes.
void XmlDocLoadOnly(benchmark::State& state) {
    const std::string& bytes = Document();
    lumetta::XmlDoc doc;
    for (auto _ : state) {
        doc.LoadFromMemory(bytes);
        benchmark::DoNotOptimize(doc.Text().data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(XmlDocLoadOnly)->Unit(benchmark::kMillisecond);

void XmlDocParseOnly(benchmark::State& state) {
    lumetta::XmlDoc doc;
    doc.LoadFromMemory(Document());
    for (auto _ : state) {
        bool ok = doc.ParseText();
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(XmlDocParseOnly)->Unit(benchmark::kMillisecond);

// A lookup as pages make them, in a layout-sized document.
void SkinValueLookup(benchmark::State& state) {
    lumetta::XmlDoc doc;
    doc.LoadFromMemory(MakeSkinDocument(64u << 10));
    doc.ParseText();
    for (auto _ : state) {
        std::u16string value = lumetta::SkinValue(doc, u"SECTION_9", u"BUTTON_39");
        benchmark::DoNotOptimize(value.data());
    }
}
BENCHMARK(SkinValueLookup);

// Prints the ratio of the two load-and-parse times after the table (medians when repeated).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            Record(run, "XmlDocLoadAndParse", xmlDoc_);
            Record(run, "PugixmlParse", pugixml_);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (xmlDoc_.time > 0 && pugixml_.time > 0) {
            std::printf("load+parse CPU time: XmlDoc %.2f ms, pugixml %.2f ms, ratio %.2f\n",
                        xmlDoc_.time, pugixml_.time, xmlDoc_.time / pugixml_.time);
        }
    }

private:
    struct Time {
        double time = 0;
        bool median = false;
    };

    static void Record(const Run& run, std::string_view name, Time& time) {
        if (!run.benchmark_name().starts_with(name) || run.error_occurred) {
            return;
        }
        bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) {
            return;
        }
        if (median || !time.median) {
            time.time = run.GetAdjustedCPUTime();
            time.median = median;
        }
    }

    Time xmlDoc_;
    Time pugixml_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
