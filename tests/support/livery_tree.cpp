#include "support/livery_tree.h"

#include "support/file_bytes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <array>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ksb::test {

namespace {

// UTF-8 to UTF-16 code units (fixture texts are valid UTF-8).
std::u16string lf_utf16(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t code = byte;
        std::size_t length = 1;
        if (byte >= 0xF0) {
            code = byte & 0x07U;
            length = 4;
        } else if (byte >= 0xE0) {
            code = byte & 0x0FU;
            length = 3;
        } else if (byte >= 0xC0) {
            code = byte & 0x1FU;
            length = 2;
        }
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3FU);
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

void lf_appendUnit(std::string& bytes, char16_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
}

const char* const kForbidden[] = {"airport", "Package",  "Entry",     "SimObjects",
                                  "Path",    "IVAO_MTL", "ivao_x-csl"};

std::vector<std::string> lf_xaiA321() {
    return {"[fltsim.1]",
            "title=XAI A321 Multi BAW/AAL",
            "sim=A321",
            "model=",
            "texture=BAW",
            "atc_parking_codes= BAW , AAL ,BAW",
            "atc_parking_types=GATE",
            "",
            "[fltsim.0]",
            "Title = XAI A321 American Airlines N101NN",
            "sim=A321",
            "model=",
            "texture=AAL",
            "atc_id=N101NN ; delivered 2015",
            "atc_parking_codes=AAL",
            "atc_parking_types=GATE",
            "",
            "[fltsim.2]",
            "title=XAI A321 Retired Scheme",
            "sim=A321",
            "model=",
            "texture=AAL",
            "atc_parking_codes=AAL",
            "",
            "[fltsim.3]",
            "title=XAI A321 House Colours",
            "sim=A321",
            "model=",
            "texture=HOUSE",
            "atc_id=F-WXAI",
            "atc_parking_codes=AIB",
            "atc_parking_types=gate, cargo",
            "",
            "[General]",
            "atc_type=AIRBUS",
            "atc_model=A321"};
}

void lf_env(std::vector<std::unique_ptr<ScopedEnv>>& env, const char* name, const fs::path& value) {
    env.push_back(std::make_unique<ScopedEnv>(name, value.string()));
}

} // namespace

std::string cfgFileBytes(const std::vector<std::string>& lines, CfgFileOptions options) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += options.crlf ? "\r\n" : "\n";
    }
    switch (options.encoding) {
    case CfgEncoding::ansi:
        return text;
    case CfgEncoding::utf8Mark:
        return "\xEF\xBB\xBF" + text;
    case CfgEncoding::utf16le:
    case CfgEncoding::utf16be: {
        const bool bigEndian = options.encoding == CfgEncoding::utf16be;
        std::string bytes;
        lf_appendUnit(bytes, 0xFEFF, bigEndian);
        for (const char16_t unit : lf_utf16(text)) {
            lf_appendUnit(bytes, unit, bigEndian);
        }
        return bytes;
    }
    }
    return text;
}

void writeCfgFile(const fs::path& path, const std::vector<std::string>& lines,
                  CfgFileOptions options) {
    writeBytes(path, cfgFileBytes(lines, options));
}

void makeLiveryItems(const fs::path& folder, const std::vector<std::string>& models,
                     const std::vector<std::string>& textures,
                     const std::vector<std::string>& airFiles) {
    for (const std::string& model : models) {
        fs::create_directories(folder / (model.empty() ? "model" : "model." + model));
    }
    for (const std::string& texture : textures) {
        fs::create_directories(folder / (texture.empty() ? "texture" : "texture." + texture));
    }
    for (const std::string& air : airFiles) {
        writeBytes(folder / (air + ".air"), "air");
    }
}

std::string fixesXmlText(const FixesSpec& spec) {
    pugi::xml_document doc;
    pugi::xml_node fixes = doc.append_child("fixes");
    for (const auto& [wrong, correct] : spec.modelFixes) {
        pugi::xml_node fix = fixes.append_child("fix");
        fix.append_attribute("wrong") = wrong.c_str();
        fix.append_attribute("correct") = correct.c_str();
    }
    const auto operators = [&doc](const char* name, const std::vector<std::string>& codes) {
        pugi::xml_node section = doc.append_child(name);
        for (const std::string& code : codes) {
            section.append_child("fix").append_attribute("wrong") = code.c_str();
        }
    };
    if (spec.withPvt) {
        operators("PVT_fixes", spec.pvtFixes);
    }
    if (spec.withGov) {
        operators("GOV_fixes", spec.govFixes);
    }
    std::ostringstream out;
    doc.save(out);
    return out.str();
}

void writeFixesXml(const FixesSpec& spec, const fs::path& path) {
    writeBytes(path, fixesXmlText(spec));
}

ScanRoot::ScanRoot() {
    const std::string text = folder_.path().string();
    for (const char* word : kForbidden) {
        if (text.find(word) != std::string::npos) {
            throw std::runtime_error(fmt::format(
                "temporary folder {} holds \"{}\", which the livery scan looks for", text, word));
        }
    }
}

DbaseSpec StandardLiveryTree::dbaseSpec() {
    DbaseSpec spec;
    spec.aircrafts = {"A320", "A321", "B738", "B744", "C172", "GLF5", "R44", "F16"};
    spec.large = {"A320", "A321", "B738"};
    spec.heavy = {"B744"};
    spec.buzjet = {"GLF5"};
    spec.rotorcraft = {"R44"};
    spec.highPerformance = {"F16"};
    spec.cargoTypes = {"B744"};
    spec.similar = {{"A321", "A320"}};
    spec.icaoAirlines = {"AAL", "BAW", "CLX", "DLH", "ZZZ", "PVT"};
    spec.cargoOperators = {"CLX"};
    spec.records = {{"N101NN", "AAL", "A321", "", false},
                    {"D-AIPA", "DLH", "A320", "", false},
                    {"LX-VCA", "CLX", "B744", "", true}};
    return spec;
}

FixesSpec StandardLiveryTree::fixesSpec() {
    FixesSpec spec;
    spec.modelFixes = {{"B738W", "B738"}, {"B738W", "B738"}, {"X1", "NOPE"}};
    spec.pvtFixes = {"PRIV", "AAL"};
    spec.govFixes = {"GOVT"};
    return spec;
}

std::string StandardLiveryTree::simInstallPath() const {
    return (root_ / "sim" / "Prepar3D v5").string();
}

std::string StandardLiveryTree::ai1() const {
    return (root_ / "lfolders" / "AI1").string();
}

std::string StandardLiveryTree::ai2() const {
    return (root_ / "lfolders" / "AI2").string();
}

StandardLiveryTree::StandardLiveryTree() : previous_(fs::current_path()) {
    const fs::path fx = root_.path();
    const fs::path work = fx / "work";
    fs::create_directories(work / "docs");
    fs::create_directories(work / "output" / "info");
    fs::create_directories(work / "input" / "my_regcodes");
    fs::current_path(work);
    writeDbaseXml(dbaseSpec(), work / "input" / "dbase.xml");
    writeFixesXml(fixesSpec(), work / "input" / "fixes.xml");
    writeAigRegcodes({{"XAI A321 Multi BAW/AAL", std::vector<std::string>{"G-EUXC", "G-EUXD"}},
                      {"XAI B744F CLX Freighter", std::vector<std::string>{"LX-VCA"}, "true"},
                      {"XAI A321 Old Colours", std::vector<std::string>{}},
                      {"Not Installed Title", std::vector<std::string>{"N999ZZ"}}},
                     {}, work / "input" / "AIG-regcodes.xml");
    writeBytes(work / "input" / "my_regcodes" / "mine.TXT",
               "XAI A321 American Airlines N101NN;N101NN\n"
               "XAI A321 Multi BAW/AAL;G-EUXC,G-EUXE\n"
               "XAI A321 Retired Scheme\n"
               "Short\n"
               "a;b;c;d\n"
               "XAI A321 Multi BAW/AAL;G-EUXF;x\n");

    lf_env(env_, "KSBY_APPDATA", fx / "appdata");
    lf_env(env_, "KSBY_PROGRAMDATA", fx / "programdata");
    lf_env(env_, "KSBY_DRIVE_D", fx);
    writeBytes(fx / "appdata" / "Lockheed Martin" / "Prepar3D v5" / "add-ons.cfg",
               fmt::format("[Package.0]\nPATH={0}/addons/AIPack\nTITLE=AI Pack\nACTIVE=true\n"
                           "REQUIRED=false\n\n[Package.1]\nPATH={0}/addons/Inactive\n"
                           "ACTIVE=false\n\n[DiscoveryPath.0]\nPATH={0}/discovery\n"
                           "ACTIVE=TRUE\n",
                           fx.string()));
    writeBytes(fx / "programdata" / "Lockheed Martin" / "Prepar3D v5" / "simobjects.cfg",
               fmt::format("[Entry.0]\nTitle=Default Airplanes\nPath=SimObjects\\Airplanes\n"
                           "Required=True\nActive=True\n\n[Entry.1]\nTitle=My AI\n"
                           "Path=SimObjects\\MyAI\nActive=True\n\n[Entry.2]\nTitle=External AI\n"
                           "Path=D:\\external_ai\nActive=true\n\n[Entry.3]\nTitle=Off\n"
                           "Path={}/off_ai\nActive=False\n",
                           fx.string()));
    const fs::path sim = fx / "sim" / "Prepar3D v5" / "SimObjects";
    const fs::path stock = sim / "Airplanes" / "Stock_A321";
    writeCfgFile(stock / "aircraft.cfg", {"[fltsim.0]", "title=Stock A321", "sim=A321",
                                          "model=", "texture=", "atc_parking_codes=AAL", "",
                                          "[General]", "atc_model=A321"});
    makeLiveryItems(stock, {""}, {""}, {"A321"});
    fs::create_directories(sim / "MyAI");

    const fs::path addons = fx / "addons";
    writeBytes(addons / "AIPack" / "add-on.xml",
               fmt::format("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                           "<SimBase.Document Type=\"AddOnXml\" version=\"4,0\" id=\"add-on\">\n"
                           "  <AddOn.Component>\n    <Category>SimObjects</Category>\n"
                           "    <Path>{0}/addons/AIPack/SimObjects/Airplanes</Path>\n"
                           "  </AddOn.Component>\n  <AddOn.Component>\n"
                           "    <Category>SimObjects</Category>\n"
                           "    <Path>{0}/addons/Lights Reborn/SimObjects</Path>\n"
                           "  </AddOn.Component>\n</SimBase.Document>\n",
                           fx.string()));
    const fs::path c172 = addons / "AIPack" / "SimObjects" / "Airplanes" / "XAI_C172";
    writeCfgFile(c172 / "aircraft.cfg",
                 {"[fltsim.0]", "title=XAI C172 White", "sim=C172", "model=", "texture=WHITE",
                  "atc_parking_codes=ZZZ", "atc_parking_types=RAMP", "", "[General]",
                  "atc_model=C172"});
    makeLiveryItems(c172, {""}, {"WHITE"}, {"C172"});
    writeBytes(addons / "Inactive" / "add-on.xml",
               "<SimBase.Document>\n  <AddOn.Component>\n    <Category>SimObjects</Category>\n"
               "    <Path>SimObjects</Path>\n  </AddOn.Component>\n</SimBase.Document>\n");

    const fs::path ai1 = fx / "lfolders" / "AI1";
    const fs::path a321 = ai1 / "XAI_A321";
    writeCfgFile(a321 / "aircraft.cfg", lf_xaiA321(), {CfgEncoding::ansi, true});
    writeCfgFile(a321 / "aircraft.cfg.bak", lf_xaiA321());
    makeLiveryItems(a321, {""}, {"AAL", "BAW", "HOUSE"}, {"A321"});
    const fs::path b744 = ai1 / "XAI_B744F";
    writeCfgFile(b744 / "sim.cfg",
                 {"[General]", "atc_model=B744", "", "[fltsim.0]", "title=XAI B744F CLX Freighter",
                  "sim=B744", "model=F", "texture=CLX", "atc_id=LX-VCA", "atc_parking_codes=CLX",
                  "atc_parking_types=CARGO"},
                 {CfgEncoding::utf16le, true});
    makeLiveryItems(b744, {"F"}, {"CLX"}, {"B744"});
    const fs::path ivao = ai1 / "IVAO_MTL" / "IVAO_B738w";
    writeCfgFile(ivao / "aircraft.cfg", {"[fltsim.0]", "title=B738 AAL American", "sim=B738",
                                         "model=", "texture=AAL", "atc_id=N900AN"});
    makeLiveryItems(ivao, {""}, {"AAL"}, {"B738"});
    writeCfgFile(ai1 / "BROKEN_GAP" / "aircraft.cfg",
                 {"[General]", "atc_model=A321", "", "[fltsim.0]", "title=Gap Zero", "",
                  "[fltsim.2]", "title=Gap Two"});
    writeCfgFile(ai1 / "NO_SECTIONS" / "aircraft.cfg", {"[General]", "atc_model=ZZZZ"});
    writeBytes(ai1 / "airport_vehicles" / "aircraft.cfg", std::string("\xFF\x00garbage", 9));

    const fs::path a321two = fx / "lfolders" / "AI2" / "XAI2_A321";
    writeCfgFile(a321two / "aircraft.cfg",
                 {"[General]", "atc_model=A321", "", "[fltsim.0]",
                  "title=XAI2 A321 American Airlines", "sim=A321", "model=", "texture=AAL",
                  "atc_parking_codes=AAL", "", "[fltsim.1]", "title=XAI2 A321 Lufthansa D-AIPA",
                  "sim=A321", "model=", "texture=DLH", "atc_id=D-AIPA", "atc_parking_codes=DLH"});
    makeLiveryItems(a321two, {""}, {"AAL", "DLH"}, {"A321"});
}

StandardLiveryTree::~StandardLiveryTree() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

namespace {

struct GeneratedType {
    const char* type;
    const char* sim;
};

constexpr std::array<GeneratedType, 6> kGeneratedTypes{{{"A320", "FAIB_A320"},
                                                        {"A321", "FAIB_A321"},
                                                        {"B738", "B737_800"},
                                                        {"B744", "B747_400"},
                                                        {"B772", "B777_200"},
                                                        {"E190", "E190_AI"}}};
constexpr std::array<const char*, 8> kGeneratedAirlines{"BAW", "AAL", "DLH", "KLM",
                                                        "AFR", "UAE", "QFA", "SIA"};

std::vector<std::string> lf_generatedFile(std::size_t folder, const GeneratedType& type,
                                          std::mt19937& random, std::vector<std::string>& titles) {
    std::vector<std::string> lines;
    for (int section = 0; section < 4; ++section) {
        const char* airline = kGeneratedAirlines[random() % kGeneratedAirlines.size()];
        std::string title = fmt::format("GEN {} {} {:05}-{}", type.type, airline, folder, section);
        lines.push_back(fmt::format("[fltsim.{}]", section));
        lines.push_back("title=" + title);
        lines.push_back(fmt::format("model=M{}", section % 2));
        lines.push_back(std::string("sim=") + type.sim);
        lines.push_back(fmt::format("texture={}_{}", airline, section));
        lines.push_back("atc_airline=Generated");
        lines.push_back("atc_heavy=0");
        lines.push_back(std::string("atc_parking_codes=") + airline);
        lines.push_back(section == 3 ? "atc_parking_types=CARGO" : "atc_parking_types=GATE");
        lines.push_back(fmt::format("atc_id=G-{:04}{}", folder % 10000, section));
        lines.push_back(std::string("ui_manufacturer=Generated"));
        lines.push_back(std::string("ui_type=") + type.type);
        lines.push_back(
            fmt::format("ui_variation={} livery {} of folder {}", airline, section, folder));
        lines.push_back(fmt::format("description=Generated livery number {} with a longer text "
                                    "that stands for the marketing blurb of real files",
                                    section));
        lines.push_back("");
        titles.push_back(std::move(title));
    }
    lines.insert(lines.end(),
                 {"[General]", "atc_type=GENERATED", std::string("atc_model=") + type.type,
                  "editable=0", "performance=", "", "[LIGHTS]",
                  "//Types: 1=beacon, 2=strobe, 3=navigation, 4=cockpit, 5=landing",
                  "light.0=3, -39.00, -34.50, 2.40, fx_navred",
                  "light.1=3, -39.00, 34.50, 2.40, fx_navgre",
                  "light.2=2, -39.00, -34.50, 2.40, fx_strobe",
                  "// light.3=1, 0.00, 0.00, 6.00, fx_beacon", ""});
    for (int camera = 0; camera < 3; ++camera) {
        lines.insert(lines.end(),
                     {fmt::format("[CameraDefinition.{:03}]", camera),
                      "Title=Generated view",
                      "Guid={A1B2C3D4-0000-0000-0000-00000000000" + std::to_string(camera) + "}",
                      "Origin=Center",
                      "SnapPbhAdjust=Swivel",
                      "SnapPbhReturn=False",
                      "PanPbhAdjust=Swivel",
                      "Track=None",
                      "ShowAxis=FALSE",
                      "AllowZoom=TRUE",
                      "InitialZoom=0.70",
                      "SmoothZoomTime=2.0",
                      "ShowWeather=Yes",
                      "XyzAdjust=TRUE",
                      "ShowLensFlare=FALSE",
                      "Category=AirTraffic",
                      "ClipMode=Minimum",
                      "InitialXyz=0, 15, -60",
                      "InitialPbh=8, 0, 0",
                      ""});
    }
    return lines;
}

} // namespace

GeneratedTree generateLiveryTree(const fs::path& root, std::size_t folders, std::uint32_t seed) {
    std::mt19937 random(seed);
    GeneratedTree tree;
    for (std::size_t folder = 0; folder < folders; ++folder) {
        const GeneratedType& type = kGeneratedTypes[random() % kGeneratedTypes.size()];
        const fs::path path = root / fmt::format("GEN_{}_{:05}", type.type, folder);
        std::vector<std::string> lines = lf_generatedFile(folder, type, random, tree.titles);
        CfgFileOptions options;
        const std::uint32_t draw = random() % 100;
        if (draw < 5) {
            options.encoding = CfgEncoding::utf16le;
            options.crlf = true;
        } else if (draw < 15) {
            options.crlf = true;
        }
        writeCfgFile(path / "aircraft.cfg", lines, options);
        std::vector<std::string> textures;
        for (std::size_t section = 0; section < 4; ++section) {
            const std::string& title = tree.titles[tree.titles.size() - 4 + section];
            // "GEN <type> <airline> ..." names the airline at a fixed place.
            textures.push_back(fmt::format("{}_{}", title.substr(9, 3), section));
        }
        makeLiveryItems(path, {"M0", "M1"}, textures, {type.sim});
        ++tree.files;
        tree.sections += 4;
    }
    return tree;
}

DbaseSpec generatedTreeDbaseSpec() {
    DbaseSpec spec;
    for (const GeneratedType& type : kGeneratedTypes) {
        spec.aircrafts.emplace_back(type.type);
    }
    spec.large = {"A320", "A321", "B738", "E190"};
    spec.heavy = {"B744", "B772"};
    spec.buzjet = {"C25A"};
    spec.rotorcraft = {"R44"};
    spec.highPerformance = {"F16"};
    spec.cargoTypes = {"B744"};
    for (const char* airline : kGeneratedAirlines) {
        spec.icaoAirlines.emplace_back(airline);
    }
    spec.icaoAirlines.emplace_back("ZZZ");
    spec.cargoOperators = {"BAW"};
    return spec;
}

} // namespace ksb::test
