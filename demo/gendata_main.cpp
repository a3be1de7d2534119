// Writes property and flat records (raw, fixed length, in key order) for the demo
// installation and for benchmarks; `recman load` puts them into the data files.
//
//   orbicade-gendata demo PROPERTIES_FILE FLATS_FILE
//       about 200 properties and 3000 flats with Catalan names and addresses, mixed
//       contract starts and durations, some flats without contract
//   orbicade-gendata bench FLATS PROPERTIES_FILE FLATS_FILE
//       FLATS flats, ten a property (more when the four-digit property numbers run out),
//       a third of them expiring before June 2025
//   orbicade-gendata owner
//       the owner name the suite's data files are protected with
#include "data/datafiles.h"
#include "platform/codepage.h"
#include "report/records.h"
#include "text/calendar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using report::FlatRecord;
using report::PropertyRecord;

void Put(char* field, size_t width, const std::string& utf8) {
    std::string text = platform::Utf8ToCp850(utf8);
    std::memset(field, ' ', width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

std::string Digits(int value, int width) {
    std::string s = std::to_string(value);
    return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(s.size()))), '0') + s;
}

void PutMonths(FlatRecord& flat, int16_t months) {
    flat.contractMonths[0] = static_cast<char>(months & 0xFF);
    flat.contractMonths[1] = static_cast<char>((months >> 8) & 0xFF);
}

PropertyRecord NewProperty(int number) {
    PropertyRecord p;
    std::memset(&p, ' ', sizeof p);
    std::memcpy(p.propertyCode, text::PackDigits(Digits(number, 4)).data(), 2);
    return p;
}

FlatRecord NewFlat(int property, int flat) {
    FlatRecord f;
    std::memset(&f, ' ', sizeof f);
    std::memcpy(f.flatCode, text::PackDigits(Digits(property, 4) + Digits(flat, 4)).data(), 4);
    std::memcpy(f.contractStart, text::kZeroDate.data(), 4);
    PutMonths(f, 0);
    return f;
}

const char* kStreets[] = {
    "C. Sant Joan",       "Av. Diagonal",       "Pg. de Gràcia",     "C. de la Indústria",
    "Rbla. Catalunya",    "C. d'Aragó",         "C. Consell de Cent", "Pl. de la Vila",
    "C. Major",           "C. de Mallorca",     "C. de Provença",    "C. de Sardenya",
    "Pg. Marítim",        "C. de l'Església",   "C. Sant Pere",      "C. Nou",
    "Trav. de Gràcia",    "C. de Balmes",       "Rda. Sant Antoni",  "C. de València",
    "C. del Bruc",        "C. de Girona",       "C. de Muntaner",    "Via Augusta",
    "C. de Còrsega",      "C. de Pàdua",        "C. de Lleida",      "C. de Tarragona",
    "Pl. del Sol",        "C. de la Riera",     "C. de Sant Llàtzer", "Av. de la Mercè",
};
const char* kTowns[] = {"", "", "", " (Vic)", " (Manresa)", " (Girona)", " (Reus)", " (Olot)"};
const char* kFirst[] = {"Jordi",  "Montserrat", "Núria", "Joan",    "Mercè",   "Pere",   "Anna",
                        "Marc",   "Laia",       "Àngel", "Roser",   "Josep",   "Oriol",  "Pilar",
                        "Ramon",  "Glòria",     "Xavier", "Carme",  "Sergi",   "Èric",   "Maria",
                        "Ignasi", "Dolors",     "Francesc", "Imma", "Joaquim", "Conxita", "Aleix",
                        "Teresa", "Agustí",     "Neus",  "Ferran"};
const char* kLast[] = {"Puig",  "Ferrer", "Vilà",   "Soler",   "Pujol",  "Casals", "Serra",
                       "Font",  "Roig",   "Bosch",  "Martí",   "Vidal",  "Riera",  "Costa",
                       "Sala",  "Mas",    "Prat",   "Camps",   "Grau",   "Comas",  "Rovira",
                       "Solà",  "Farré",  "Roca",   "Castells", "Batlle", "Güell", "Ribó",
                       "Fàbregas", "Llorens", "Muñoz", "Peña"};
const char* kCompanies[] = {"Fleca Ca l'Andreu SL", "Serveis Tècnics Osona SL", "Farmàcia Nogué",
                            "Assessoria Comas i Fills", "Perruqueria Núria", "Taller Mecànic Güell",
                            "Bar La Plaça SCP", "Òptica Sabadell SL"};

template <size_t N>
const char* Pick(std::mt19937& rng, const char* (&list)[N]) {
    return list[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

std::string FloorName(int floor, int door) {
    if (floor == 0) return door == 1 ? "BAIXOS" : "LOCAL " + std::to_string(door - 1);
    if (floor == 99) return door == 1 ? "ÀTIC" : "SOBREÀTIC";
    return std::to_string(floor) + (floor == 1 ? "r " : floor == 2 ? "n " : floor == 3 ? "r " : floor == 4 ? "t " : "è ") +
           std::to_string(door) + "a";
}

bool Write(const char* path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

int Demo(const char* propertiesPath, const char* flatsPath) {
    std::mt19937 rng(20261211);
    std::vector<PropertyRecord> properties;
    std::vector<FlatRecord> flats;
    int number = 0;
    while (properties.size() < 200) {
        number += std::uniform_int_distribution<int>(1, 4)(rng);
        PropertyRecord p = NewProperty(number);
        std::string address = std::string(Pick(rng, kStreets)) + ", " +
                              std::to_string(std::uniform_int_distribution<int>(1, 240)(rng)) + Pick(rng, kTowns);
        Put(p.propertyAddress, sizeof p.propertyAddress, address);
        // Estates of scattered premises: each flat carries its own address.
        bool scattered = std::uniform_int_distribution<int>(0, 9)(rng) == 0;
        p.addressKind = scattered ? 'P' : ' ';
        properties.push_back(p);

        int floors = std::uniform_int_distribution<int>(2, 6)(rng);
        int doors = std::uniform_int_distribution<int>(2, 4)(rng);
        int flatNumber = 0;
        for (int floor = 0; floor <= floors + 1; ++floor) {
            int storey = floor > floors ? 99 : floor;
            int perFloor = storey == 99 ? 1 : doors;
            for (int door = 1; door <= perFloor; ++door) {
                FlatRecord f = NewFlat(number, ++flatNumber);
                Put(f.flatName, sizeof f.flatName, FloorName(storey, door));
                std::string holder = storey == 0 && door > 1
                                         ? Pick(rng, kCompanies)
                                         : std::string(Pick(rng, kLast)) + " " + Pick(rng, kLast) + ", " +
                                               Pick(rng, kFirst);
                Put(f.holderName, sizeof f.holderName, holder);
                std::string own = std::string(Pick(rng, kStreets)) + ", " +
                                  std::to_string(std::uniform_int_distribution<int>(1, 180)(rng));
                Put(f.flatAddress, sizeof f.flatAddress, scattered ? own : "");
                int kind = std::uniform_int_distribution<int>(0, 99)(rng);
                if (kind >= 8) { // the others stand empty: no contract
                    int year = std::uniform_int_distribution<int>(2016, 2026)(rng);
                    int month = std::uniform_int_distribution<int>(1, 12)(rng);
                    int day = std::uniform_int_distribution<int>(1, 28)(rng);
                    if (kind % 7 == 0) day = text::MonthLength(month, year, true); // month ends
                    std::memcpy(f.contractStart, text::MakeDate(year, month, day).data(), 4);
                    static const int16_t kDurations[] = {6, 11, 12, 12, 12, 24, 36, 60, 120, 0};
                    PutMonths(f, kDurations[std::uniform_int_distribution<int>(0, 9)(rng)]);
                }
                flats.push_back(f);
            }
        }
        if (flats.size() >= 3000) break;
    }
    // A few flats left behind by a property that was removed from the property file.
    for (int i = 1; i <= 3; ++i) {
        FlatRecord f = NewFlat(9990, i);
        Put(f.flatName, sizeof f.flatName, FloorName(1, i));
        Put(f.holderName, sizeof f.holderName, "Sense finca, Registre antic");
        std::memcpy(f.contractStart, text::MakeDate(2020, 1, 1).data(), 4);
        PutMonths(f, 12);
        flats.push_back(f);
    }
    bool ok = Write(propertiesPath, properties.data(), properties.size() * sizeof(PropertyRecord)) &&
              Write(flatsPath, flats.data(), flats.size() * sizeof(FlatRecord));
    std::fprintf(stderr, "%zu properties, %zu flats\n", properties.size(), flats.size());
    return ok ? 0 : 1;
}

int Bench(long flatCount, const char* propertiesPath, const char* flatsPath) {
    const long perProperty = std::max(10L, (flatCount + 9998) / 9999);
    std::vector<PropertyRecord> properties;
    std::vector<FlatRecord> flats;
    flats.reserve(static_cast<size_t>(flatCount));
    long made = 0;
    for (int number = 1; made < flatCount && number <= 9999; ++number) {
        PropertyRecord p = NewProperty(number);
        Put(p.propertyAddress, sizeof p.propertyAddress, "C. de la Indústria, " + std::to_string(number));
        p.addressKind = number % 5 == 0 ? 'P' : ' ';
        properties.push_back(p);
        for (long i = 1; i <= perProperty && made < flatCount; ++i, ++made) {
            FlatRecord f = NewFlat(number, static_cast<int>(i));
            Put(f.flatName, sizeof f.flatName, std::to_string(i) + "a");
            Put(f.holderName, sizeof f.holderName, "Titular " + std::to_string(made));
            Put(f.flatAddress, sizeof f.flatAddress, "Pl. del Sol, " + std::to_string(i));
            // One flat in three expired before June 2025; the others run to 2027.
            bool expired = made % 3 == 0;
            std::memcpy(f.contractStart, text::MakeDate(expired ? 2023 : 2025, 1 + made % 12, 1 + made % 28).data(), 4);
            PutMonths(f, expired ? 12 : 24);
            flats.push_back(f);
        }
    }
    bool ok = Write(propertiesPath, properties.data(), properties.size() * sizeof(PropertyRecord)) &&
              Write(flatsPath, flats.data(), flats.size() * sizeof(FlatRecord));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "owner") == 0) return std::puts(data::OwnerName().c_str()) < 0;
    if (argc == 4 && std::strcmp(argv[1], "demo") == 0) return Demo(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "bench") == 0) return Bench(std::atol(argv[2]), argv[3], argv[4]);
    std::fprintf(stderr, "usage: orbicade-gendata demo PROPERTIES FLATS\n"
                         "       orbicade-gendata bench COUNT PROPERTIES FLATS\n");
    return 2;
}
