// Writes a standard MIDI file (format 0) from a bar-by-bar description of a broken-chord
// piece: "tempo N", "program N", "velocity N", one line of five note names per bar, and a
// closing "chord ..." held for a whole bar.

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int ticksPerQuarter = 480;
constexpr int sixteenth = ticksPerQuarter / 4;

struct Event {
    int tick;
    int order; // note-offs before note-ons at the same tick
    std::vector<unsigned char> bytes;
};

int noteNumber(const std::string& name, bool* ok)
{
    static const std::map<char, int> steps { { 'C', 0 }, { 'D', 2 }, { 'E', 4 }, { 'F', 5 }, { 'G', 7 }, { 'A', 9 }, { 'B', 11 } };
    *ok = false;
    if (name.size() < 2 || !steps.count(name[0]))
        return 0;
    int semitone = steps.at(name[0]);
    std::size_t i = 1;
    if (name[i] == '#') {
        ++semitone;
        ++i;
    } else if (name[i] == 'b') {
        --semitone;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8')
        return 0;
    *ok = true;
    return 12 * (name[i] - '0' + 1) + semitone;
}

void note(std::vector<Event>& events, int tick, int length, int key, int velocity)
{
    events.push_back({ tick, 1, { 0x90, static_cast<unsigned char>(key), static_cast<unsigned char>(velocity) } });
    events.push_back({ tick + length, 0, { 0x80, static_cast<unsigned char>(key), 0 } });
}

void variableLength(std::vector<unsigned char>& out, unsigned value)
{
    unsigned char buffer[4];
    int count = 0;
    do {
        buffer[count++] = value & 0x7F;
        value >>= 7;
    } while (value && count < 4);
    for (int i = count - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>(buffer[i] | (i ? 0x80 : 0)));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::cerr << "usage: evelmora-midi NOTES OUTPUT.mid\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 2;
    }
    int tempo = 60;
    int program = 0;
    int velocity = 60;
    int tick = 0;
    int lineNumber = 0;
    std::vector<Event> events;
    std::string line;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        if (first == "tempo" || first == "program" || first == "velocity") {
            int value = 0;
            if (!(words >> value) || value < 0 || value > 300) {
                std::cerr << argv[1] << " line " << lineNumber << ": a number from 0 to 300 expected\n";
                return 2;
            }
            (first == "tempo" ? tempo : first == "program" ? program : velocity) = value;
            continue;
        }
        const bool chord = first == "chord";
        std::vector<std::string> names;
        if (!chord)
            names.push_back(first);
        for (std::string name; words >> name;)
            names.push_back(name);
        std::vector<int> keys;
        for (const std::string& name : names) {
            bool ok = false;
            keys.push_back(noteNumber(name, &ok));
            if (!ok) {
                std::cerr << argv[1] << " line " << lineNumber << ": \"" << name << "\" is not a note such as C4, F#3 or Bb2\n";
                return 2;
            }
        }
        if (chord) {
            for (int key : keys)
                note(events, tick, 16 * sixteenth, key, velocity);
            tick += 16 * sixteenth;
            continue;
        }
        if (keys.size() != 5) {
            std::cerr << argv[1] << " line " << lineNumber << ": five notes expected, " << keys.size() << " given\n";
            return 2;
        }
        for (int half = 0; half < 2; ++half) {
            const int start = tick + half * 8 * sixteenth;
            note(events, start, 8 * sixteenth, keys[0], velocity);
            note(events, start + sixteenth, 7 * sixteenth, keys[1], velocity);
            for (int i = 0; i < 6; ++i)
                note(events, start + (2 + i) * sixteenth, sixteenth, keys[2 + i % 3], velocity - 6);
        }
        tick += 16 * sixteenth;
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });

    std::vector<unsigned char> track;
    const unsigned microseconds = 60000000u / static_cast<unsigned>(tempo ? tempo : 60);
    track.insert(track.end(), { 0x00, 0xFF, 0x51, 0x03, static_cast<unsigned char>(microseconds >> 16), static_cast<unsigned char>(microseconds >> 8),
                                static_cast<unsigned char>(microseconds) });
    track.insert(track.end(), { 0x00, 0xC0, static_cast<unsigned char>(program & 0x7F) });
    int last = 0;
    for (const Event& event : events) {
        variableLength(track, static_cast<unsigned>(event.tick - last));
        last = event.tick;
        track.insert(track.end(), event.bytes.begin(), event.bytes.end());
    }
    track.insert(track.end(), { 0x00, 0xFF, 0x2F, 0x00 });

    std::ofstream out(argv[2], std::ios::binary);
    const unsigned char header[] = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, ticksPerQuarter >> 8, ticksPerQuarter & 0xFF };
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    const auto size = static_cast<unsigned>(track.size());
    const unsigned char trackHeader[] = { 'M', 'T', 'r', 'k', static_cast<unsigned char>(size >> 24), static_cast<unsigned char>(size >> 16),
                                          static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size) };
    out.write(reinterpret_cast<const char*>(trackHeader), sizeof trackHeader);
    out.write(reinterpret_cast<const char*>(track.data()), static_cast<std::streamsize>(track.size()));
    if (!out) {
        std::cerr << "cannot write " << argv[2] << "\n";
        return 2;
    }
    return 0;
}
