// The engine against the peer parsers, each on the form of the file it reads best: the engine
// and RapidXML on the UTF-16 text, pugixml on the UTF-16 bytes (it converts them itself),
// tinyxml2 and expat on the UTF-8 conversion made beforehand. Every parser starts from a fresh
// document and releases it within the timed region.
#include <benchmark/benchmark.h>
#include <expat.h>
#include <tinyxml2.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <rapidxml/rapidxml.hpp>
#include <string>

#include "Benchmarks.h"
#include "xmldoc/XmlDocument.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// RapidXML does not know the UTF-16 byte-order mark: it reads from the character after it.
char16_t* TextAfterByteOrderMark(const SettingsInput& input) {
  return const_cast<char16_t*>(input.text.c_str()) + 1;
}

// What the store does: the document takes over the buffer the file was read into. The buffer
// is filled outside the timed region, as the file read is.
void EngineParse(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    std::u16string buffer = input->text;
    const Clock::time_point start = Clock::now();
    {
      CXmlDocument doc;
      benchmark::DoNotOptimize(doc.ParseText(std::move(buffer)));
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}

void EngineParseCopying(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    CXmlDocument doc;
    benchmark::DoNotOptimize(doc.ParseText(input->text.c_str()));
  }
}

void PugixmlParse(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    pugi::xml_document doc;
    benchmark::DoNotOptimize(doc.load_buffer(input->bytes.data(), input->bytes.size()));
  }
}

void RapidxmlParse(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    rapidxml::xml_document<char16_t> doc;
    doc.parse<rapidxml::parse_non_destructive>(TextAfterByteOrderMark(*input));
    benchmark::DoNotOptimize(doc.first_node());
  }
}

void Tinyxml2Parse(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    tinyxml2::XMLDocument doc;
    benchmark::DoNotOptimize(doc.Parse(input->utf8.data(), input->utf8.size()));
  }
}

// The settings file declares encoding="unicode", which expat does not know; the encoding given
// at creation overrides the declaration.
void ExpatParse(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    XML_Parser parser = XML_ParserCreate("UTF-8");
    benchmark::DoNotOptimize(
        XML_Parse(parser, input->utf8.data(), static_cast<int>(input->utf8.size()), 1));
    XML_ParserFree(parser);
  }
}

void EngineWalk(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    std::u16string buffer = input->text;
    const Clock::time_point start = Clock::now();
    {
      CXmlDocument doc;
      doc.ParseText(std::move(buffer));
      doc.FindElement(u"SystemSetting");
      doc.EnterElement();
      doc.FindElement(u"LocalSetting");
      doc.EnterElement();
      doc.FindElement(u"MinDiskSpace");
      const std::u16string value = doc.GetAttribute(u"Value");
      benchmark::DoNotOptimize(value.data());
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}

void PugixmlWalk(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    pugi::xml_document doc;
    doc.load_buffer(input->bytes.data(), input->bytes.size());
    const char* value = doc.child("SystemSetting")
                            .child("LocalSetting")
                            .child("MinDiskSpace")
                            .attribute("Value")
                            .value();
    benchmark::DoNotOptimize(value);
  }
}

void RapidxmlWalk(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    rapidxml::xml_document<char16_t> doc;
    doc.parse<rapidxml::parse_non_destructive>(TextAfterByteOrderMark(*input));
    const rapidxml::xml_attribute<char16_t>* attribute = doc.first_node(u"SystemSetting")
                                                             ->first_node(u"LocalSetting")
                                                             ->first_node(u"MinDiskSpace")
                                                             ->first_attribute(u"Value");
    // Non-destructive values are not terminated: the value is a copy, as the engine's is.
    const std::u16string value(attribute->value(), attribute->value_size());
    benchmark::DoNotOptimize(value.data());
  }
}

void Tinyxml2Walk(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    tinyxml2::XMLDocument doc;
    doc.Parse(input->utf8.data(), input->utf8.size());
    const char* value = doc.FirstChildElement("SystemSetting")
                            ->FirstChildElement("LocalSetting")
                            ->FirstChildElement("MinDiskSpace")
                            ->Attribute("Value");
    benchmark::DoNotOptimize(value);
  }
}

// Expat reports elements as they go by: the walk follows the path level by level and keeps the
// Value of the first MinDiskSpace it reaches.
struct ExpatWalkState {
  int depth = 0;
  int matched = 0;  // how many levels of the path the open elements match
  bool found = false;
  std::string value;
};

constexpr const char* kWalkPath[] = {"SystemSetting", "LocalSetting", "MinDiskSpace"};
constexpr int kWalkDepth = 3;

void XMLCALL ExpatWalkStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* walk = static_cast<ExpatWalkState*>(data);
  if (!walk->found && walk->matched == walk->depth && walk->depth < kWalkDepth &&
      std::strcmp(name, kWalkPath[walk->depth]) == 0) {
    ++walk->matched;
    if (walk->matched == kWalkDepth) {
      walk->found = true;
      for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
        if (std::strcmp(a[0], "Value") == 0) walk->value = a[1];
      }
    }
  }
  ++walk->depth;
}

void XMLCALL ExpatWalkEnd(void* data, const XML_Char*) {
  auto* walk = static_cast<ExpatWalkState*>(data);
  --walk->depth;
  if (walk->matched > walk->depth) walk->matched = walk->depth;
}

void ExpatWalk(benchmark::State& state, const SettingsInput* input) {
  for (auto _ : state) {
    ExpatWalkState walk;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &walk);
    XML_SetElementHandler(parser, ExpatWalkStart, ExpatWalkEnd);
    XML_Parse(parser, input->utf8.data(), static_cast<int>(input->utf8.size()), 1);
    XML_ParserFree(parser);
    benchmark::DoNotOptimize(walk.value.data());
  }
}

// The value every walk must read: the engine's.
std::string EngineValue(const SettingsInput& input) {
  CXmlDocument doc;
  doc.ParseText(input.text.c_str());
  doc.FindElement(u"SystemSetting");
  doc.EnterElement();
  doc.FindElement(u"LocalSetting");
  doc.EnterElement();
  if (!doc.FindElement(u"MinDiskSpace")) return {};
  const std::u16string value = doc.GetAttribute(u"Value");
  return std::string(value.begin(), value.end());
}

using BenchmarkFunction = void (*)(benchmark::State&, const SettingsInput*);

void Register(const char* family, const SettingsInput& input, const char* subject,
              BenchmarkFunction function, bool manualTime) {
  benchmark::internal::Benchmark* registered = benchmark::RegisterBenchmark(
      BenchmarkName(family, input, subject).c_str(), [function, &input](benchmark::State& state) {
        function(state, &input);
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                static_cast<int64_t>(input.bytes.size()));
      });
  registered->Unit(benchmark::kMicrosecond);
  if (manualTime) {
    registered->UseManualTime();
  } else {
    registered->UseRealTime();
  }
}

}  // namespace

bool PeersReadTheSameValue(const SettingsInput& input) {
  const std::string expected = EngineValue(input);
  bool same = !expected.empty();
  const auto check = [&](const char* parser, bool parsed, const std::string& value) {
    if (parsed && value == expected) return;
    std::fprintf(stderr, "bench: %s %s the %s file (value \"%s\", the engine reads \"%s\")\n",
                 parser, parsed ? "misreads" : "cannot parse", input.label.c_str(), value.c_str(),
                 expected.c_str());
    same = false;
  };

  pugi::xml_document pugixmlDoc;
  const bool pugixmlParsed = pugixmlDoc.load_buffer(input.bytes.data(), input.bytes.size());
  check("pugixml", pugixmlParsed,
        pugixmlDoc.child("SystemSetting")
            .child("LocalSetting")
            .child("MinDiskSpace")
            .attribute("Value")
            .value());

  rapidxml::xml_document<char16_t> rapidxmlDoc;
  std::string rapidxmlValue;
  bool rapidxmlParsed = true;
  try {
    rapidxmlDoc.parse<rapidxml::parse_non_destructive>(TextAfterByteOrderMark(input));
    const rapidxml::xml_node<char16_t>* leaf = rapidxmlDoc.first_node(u"SystemSetting");
    if (leaf != nullptr) leaf = leaf->first_node(u"LocalSetting");
    if (leaf != nullptr) leaf = leaf->first_node(u"MinDiskSpace");
    const rapidxml::xml_attribute<char16_t>* attribute =
        leaf != nullptr ? leaf->first_attribute(u"Value") : nullptr;
    if (attribute != nullptr) {
      rapidxmlValue.assign(attribute->value(), attribute->value() + attribute->value_size());
    }
  } catch (const rapidxml::parse_error&) {
    rapidxmlParsed = false;
  }
  check("RapidXML", rapidxmlParsed, rapidxmlValue);

  tinyxml2::XMLDocument tinyxml2Doc;
  const bool tinyxml2Parsed =
      tinyxml2Doc.Parse(input.utf8.data(), input.utf8.size()) == tinyxml2::XML_SUCCESS;
  const tinyxml2::XMLElement* element =
      tinyxml2Parsed ? tinyxml2Doc.FirstChildElement("SystemSetting") : nullptr;
  if (element != nullptr) element = element->FirstChildElement("LocalSetting");
  if (element != nullptr) element = element->FirstChildElement("MinDiskSpace");
  const char* tinyxml2Value = element != nullptr ? element->Attribute("Value") : nullptr;
  check("tinyxml2", tinyxml2Parsed, tinyxml2Value != nullptr ? tinyxml2Value : "");

  ExpatWalkState walk;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &walk);
  XML_SetElementHandler(parser, ExpatWalkStart, ExpatWalkEnd);
  const bool expatParsed =
      XML_Parse(parser, input.utf8.data(), static_cast<int>(input.utf8.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  check("expat", expatParsed, walk.value);
  return same;
}

void RegisterParseBenchmarks(const SettingsInput& input) {
  Register("parse", input, "engine", EngineParse, true);
  Register("parse", input, "engine_copying", EngineParseCopying, false);
  Register("parse", input, "pugixml", PugixmlParse, false);
  Register("parse", input, "rapidxml", RapidxmlParse, false);
  Register("parse", input, "tinyxml2", Tinyxml2Parse, false);
  Register("parse", input, "expat", ExpatParse, false);
  Register("walk", input, "engine", EngineWalk, true);
  Register("walk", input, "pugixml", PugixmlWalk, false);
  Register("walk", input, "rapidxml", RapidxmlWalk, false);
  Register("walk", input, "tinyxml2", Tinyxml2Walk, false);
  Register("walk", input, "expat", ExpatWalk, false);
}

}  // namespace bench
