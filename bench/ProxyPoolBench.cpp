// Times the proxy pool's choice and country queries on pools of 1,000, 10,000 and
// 100,000 entries (nine in ten normal, one in ten super, 50 countries), beside the
// direct-way pool that re-parses every entry and shuffles by taking out and inserting.
#include "fakes/FakePlatform.h"
#include "proxy/ProxyManager.h"
#include "reference/LiteralProxyPool.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace maskaddr;
using namespace maskaddr::test;

namespace {

constexpr int kCountries = 50;
const std::string kAsked = "C7";

int gCountries = kCountries; // a hostile list names as many countries as it has entries

std::string Code(int i) {
    return "C" + std::to_string(i % gCountries);
}

std::string MakeList(int count, int firstHost) {
    std::string list;
    for (int i = 0; i < count; ++i) {
        const int host = firstHost + i;
        list += "10." + std::to_string(host >> 16 & 255) + "." + std::to_string(host >> 8 & 255) + "." +
                std::to_string(host & 255) + ":8080|Country number " + Code(host * 7) + "|" + Code(host * 7) +
                "|12.345|-45.678;";
    }
    return list;
}

// A pool loaded through the settings, as the program loads it, plus its direct-way twin.
struct TBenchPool {
    TFakePlatform Platform;
    TFakeEngineLists Lists;
    TCLSettings Store{Platform.Facilities};
    std::unique_ptr<TProxyManager> Pool;
    TLiteralProxyPool Literal;

    explicit TBenchPool(int entries) {
        Store.SetLists(&Lists);
        const int super = entries / 10;
        Lists.Overwrite = {"NORMAL_IPS=" + MakeList(entries - super, 0),
                           "SUPER_IPS=" + MakeList(super, 1 << 20)};
        DebugTrace::SetEnabled(false);
        Pool = std::make_unique<TProxyManager>(Platform.Facilities, Store);
        Pool->LoadSettings();
        Literal.Normal = Pool->NormalProxyList();
        Literal.Super = Pool->SuperProxyList();
    }
};

void Ours_GetIdleProxy(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TProxyRec rec = b.Pool->GetIdleProxy(kAsked, false, TProxyRange::KAll, true);
        b.Pool->SetTargetProxy(rec);
        benchmark::DoNotOptimize(rec);
    }
}

void Literal_GetIdleProxy(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TProxyRec rec = b.Literal.GetIdleProxy(kAsked, false, TProxyRange::KAll, true);
        b.Literal.TargetProxy = rec;
        benchmark::DoNotOptimize(rec);
    }
}

void Ours_GetCountryList(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TStringList names;
        b.Pool->GetCountryList(&names);
        benchmark::DoNotOptimize(names.Items.data());
    }
}

void Literal_GetCountryList(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TStringList names;
        b.Literal.GetCountryList(names);
        benchmark::DoNotOptimize(names.Items.data());
    }
}

void Ours_GetcountryListCount(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(b.Pool->GetcountryListCount(kAsked, true));
}

void Literal_GetcountryListCount(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(b.Literal.GetcountryListCount(kAsked, true));
}

// A hostile list: every entry names a country of its own.
void Ours_GetCountryListDistinct(benchmark::State& state) {
    gCountries = static_cast<int>(state.range(0));
    TBenchPool b(static_cast<int>(state.range(0)));
    gCountries = kCountries;
    for (auto _ : state) {
        TStringList names;
        b.Pool->GetCountryList(&names);
        benchmark::DoNotOptimize(names.Items.data());
    }
}

// The one-off cost that the pool pays instead: loading and indexing the lists.
void Ours_LoadSettingsAndIndex(benchmark::State& state) {
    TBenchPool b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TProxyManager pool{b.Platform.Facilities, b.Store};
        pool.LoadSettings();
        benchmark::DoNotOptimize(pool.GetcountryListCount(kAsked, true));
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int64_t size : {1000, 10000, 100000}) {
        const bool huge = size == 100000;
        auto ours = [&](const char* name, void (*fn)(benchmark::State&)) {
            benchmark::RegisterBenchmark(name, fn)
                ->Arg(size)
                ->Unit(benchmark::kMicrosecond)
                ->Repetitions(15)
                ->ReportAggregatesOnly(true);
        };
        auto literal = [&](const char* name, void (*fn)(benchmark::State&)) {
            auto* b = benchmark::RegisterBenchmark(name, fn)
                          ->Arg(size)
                          ->Unit(benchmark::kMicrosecond)
                          ->Repetitions(huge ? 3 : 7)
                          ->ReportAggregatesOnly(true);
            if (huge) b->Iterations(1);
        };
        ours("GetIdleProxy/ours", Ours_GetIdleProxy);
        literal("GetIdleProxy/literal", Literal_GetIdleProxy);
        ours("GetCountryList/ours", Ours_GetCountryList);
        literal("GetCountryList/literal", Literal_GetCountryList);
        ours("GetCountryList/distinct-names/ours", Ours_GetCountryListDistinct);
        ours("GetcountryListCount/ours", Ours_GetcountryListCount);
        literal("GetcountryListCount/literal", Literal_GetcountryListCount);
        ours("LoadSettingsAndIndex/ours", Ours_LoadSettingsAndIndex);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
