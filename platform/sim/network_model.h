#pragma once

// The in-memory form of a network description: every name in code page 850,
// DOS names made, and the indexes that let each call cost in proportion to
// its own answer (entries by name per directory, opens by file).

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/nwcodes.h"
#include "platform/nwrecords.h"

namespace simdjson::dom {
class parser;
class element;
class document;
}  // namespace simdjson::dom

namespace nwsim {

using Json = nlohmann::ordered_json;

inline constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;

// ASCII-only upper-casing: what the server does to names it compares.
std::string Upper(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
// DOS wildcard match ('*', '?', and "*.*" matching every name), ignoring case.
bool WildcardMatch(std::string_view pattern, std::string_view name);
bool HasWildcards(std::string_view text);
bool IsValid83(std::string_view name);

struct Entry {
    std::string name;  // long name; on a volume without long names the 8.3 name
    std::string dos;   // 8.3 name, upper case
    std::uint32_t parent = 0;
    bool directory = false;
    bool hidden = false;
    bool system = false;
    bool readOnly = false;
    std::vector<std::uint32_t> children;  // description order

    std::uint32_t Attributes() const;
};

struct Volume {
    std::string name;  // upper case
    std::uint16_t number = 0;
    bool longNames = false;
    std::vector<Entry> entries;  // [0] is the root; an entry's index is its number

    // The child of directory dir named name (long or DOS, any case), or kNoEntry.
    std::uint32_t Find(std::uint32_t dir, std::string_view name) const;
    // Components from the root down to entry, in DOS or long names.
    std::vector<const std::string*> PathOf(std::uint32_t entry, bool dosNames) const;

    // Puts entry's long name (dos false) or DOS name in the index; false when
    // its directory already holds an entry of that name.
    bool AddName(std::uint32_t entry, bool dos);
    void ReserveNames(std::size_t names);

private:
    // The names of every directory in one flat table. A slot holds a tag of
    // the name's hash, the entry's number and which of its names it is; the
    // names themselves stay in the entries, so the index costs eight bytes a
    // name and no allocation at all.
    static std::uint64_t NameHash(std::uint32_t dir, std::string_view name);
    void Grow();
    std::vector<std::uint64_t> m_slots;
    std::size_t m_names = 0;
};

struct Lock {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint16_t task = 0;
    std::uint8_t type = 0;
};

struct Open {
    std::uint32_t volume = 0;  // index in Server::volumes
    std::uint32_t entry = 0;
    std::vector<Lock> locks;
};

struct Connection {
    std::uint16_t number = 0;
    std::string user;     // object name as the connection information reports it
    std::string bindery;  // bindery name of the object
    bool nds = false;
    NWLoginTime loginTime{};
    std::optional<NWStationAddress> address;
    bool messages = true;
    std::vector<Open> opens;
};

// Where one open sits: connection index and open index within it.
struct OpenRef {
    std::uint32_t connection;
    std::uint32_t open;
};

// Where one lock sits: as OpenRef, and the lock's index in the open's list.
struct LockRef {
    std::uint32_t connection;
    std::uint32_t open;
    std::uint32_t lock;
};

struct Server {
    std::string name;  // upper case
    std::string tree;  // upper case; empty: bindery only
    std::array<std::uint32_t, 3> version{};
    bool down = false;
    bool loginsEnabled = true;
    bool module = false;
    std::vector<std::string> operators;        // upper case
    std::map<std::string, std::string> users;  // upper-case name -> password
    bool discoveryIpx = true;
    std::optional<std::string> discoveryIp;  // absent: not found by the IP method
    std::optional<NWStationAddress> address;
    std::uint16_t maxConnections = 250;
    bool scanEndLastBatch = false;
    std::vector<Volume> volumes;
    std::vector<Connection> connections;

    std::map<std::uint16_t, std::uint32_t> connectionByNumber;
    std::unordered_map<std::uint64_t, std::vector<OpenRef>> opensByFile;  // key: volume << 32 | entry
    std::unordered_map<std::uint64_t, std::vector<LockRef>> locksByFile;

    const Volume* VolumeByName(std::string_view name, std::uint32_t* index = nullptr) const;
    const Volume* VolumeByNumber(std::uint32_t number) const;
    const Connection* ConnectionByNumber(std::uint32_t number) const;
    const std::vector<OpenRef>& OpensOf(std::uint32_t volume, std::uint32_t entry) const;
    const std::vector<LockRef>& LocksOf(std::uint32_t volume, std::uint32_t entry) const;
};

struct TreeObject {
    std::string name;      // as written (OEM)
    std::string password;  // OEM
    std::optional<std::vector<std::string>> fullName;
};

struct Tree {
    std::string name;
    std::map<std::string, TreeObject> objects;  // upper-case typeless name -> object
};

struct Drive {
    std::string server;
    std::string volume;
    std::string directory;  // below the volume root, '\' separated, may be empty
};

struct Fault {
    std::string call;
    NWCode code = 0;
    std::optional<std::string> server;
    std::optional<std::string> path;
    std::optional<std::uint32_t> connection;
    std::uint64_t after = 0;
    std::optional<std::uint64_t> times;
};

struct Workstation {
    std::string primary;           // upper case; empty: none
    std::map<char, Drive> drives;  // upper-case letter
    std::string ndsTree;           // upper case; empty: no identity
    std::string ndsUser;
    std::map<std::string, std::string> bindery;  // upper-case server -> user
};

struct Network {
    Workstation workstation;
    std::map<std::string, Tree> trees;  // upper-case name
    std::vector<Server> servers;
    std::map<std::string, std::uint32_t> serverByName;  // upper case
    std::vector<Fault> faults;
    std::uint64_t latencyMicros = 0;
    // The description's top-level members other than its servers and trees,
    // as written: what a change of the workstation edits.
    Json sections = Json::object();

    const Server* ServerByName(std::string_view name) const;
    Server* ServerByName(std::string_view name) {
        return const_cast<Server*>(static_cast<const Network*>(this)->ServerByName(name));
    }
};

// Why a description was refused: where in it and what.
struct LoadError {
    std::string place;
    std::string what;
};

// Deeper than this a description is refused: every reader and writer of a
// document recurses once per level.
inline constexpr std::size_t kMaxNesting = 512;

// How deeply text (JSON with comments) nests arrays and objects, counted up
// to just past limit; without recursion, so that any text can be measured.
std::size_t NestingDepth(std::string_view text, std::size_t limit);

// Parses description text (JSON with comments). On failure error says where.
bool ParseDescription(const std::string& text, Json& doc, LoadError& error);
// Builds the model from description text (JSON with comments); the text
// is used up. Room for a few bytes beyond its end spares the parser a copy.
bool BuildNetwork(std::string& text, Network& network, LoadError& error);
// Parses description text (JSON with comments, blanked in place) into root;
// on failure error says where, as ParseDescription does.
bool ParseText(simdjson::dom::parser& parser, std::string& text, simdjson::dom::element& root,
               LoadError& error);
// The same into doc, with the text (used up) and the parser's working memory
// freed before returning: what grows from the document afterwards (a model,
// a description written anew) is the only other thing held.
bool ParseToDocument(std::string& text, simdjson::dom::document& doc, LoadError& error);
// The description text (used up) written anew with changes in it, each on
// the member, server or connection it touches; false (and why) when one does
// not fit.
bool FoldDescription(std::string& text, const std::vector<Json>& changes, std::string& out, LoadError& error);
// Builds the workstation, the faults and the latency again from
// network.sections; on failure the network is left as it was.
bool RebuildSections(Network& network, LoadError& error);

// ---------------------------------------------------------------------------
// Changes. A change is one small JSON object, {"change": kind, ...}: what a
// program did, recorded in the journal beside the description and applied
// to the model at once and at every later load, where it costs what it
// touches, never the size of the network; and written into the description
// when the journal is folded back into it.
//
//   {"change": "clear", "server": S, "connection": N}
//   {"change": "close", "server": S, "connection": N, "opens": [i, ...]}   positions, descending
//   {"change": "message", "server": S, "connections": [N, ...], "text": T}
//   {"change": "logins", "server": S, "enabled": B}
//   {"change": "set", "key": K, "value": V}    a top-level member other than servers and trees
//   {"change": "remove", "key": K}
//
// Names are workstation text (UTF-8), as in the description.
//
// A change of the workstation (a login, a mapped drive) needs nothing here:
// SimNetwork::Change hands its function the top-level members and records
// what it changed as "set". A new kind of change of a server's tables is
// added in three places: the client call records it (SimNetwork::Commit, after
// checking it against the network as it stands), ApplyChange applies it to the
// model and FoldDescription (description_fold.cpp) to the description's text;
// docs/network.md lists it.
bool ApplyChange(const Json& change, Network& network, LoadError& error);

// Splits a volume-qualified path ("VOL:A\B", '/' taken as '\'; a server
// prefix "SRV\VOL:" is dropped) into the volume name and its components.
// Returns false when there is no volume part.
bool SplitVolumePath(std::string_view path, std::string& volume, std::vector<std::string>& components);

// A path inside one server, resolved as far as its last component.
struct Located {
    std::uint32_t volume = 0;     // index in Server::volumes
    std::uint32_t directory = 0;  // the directory holding the last component
    std::string last;             // may be empty ("VOL:" alone) or a pattern
};

// Resolves path on server; base (volume index, directory) is used for a path
// with no volume part. 0x8998, 0x899C or 0x8836 on failure.
NWCode Locate(const Server& server, std::string_view path,
              const std::optional<std::pair<std::uint32_t, std::uint32_t>>& base, Located& out);

// NWLoginTime from its text form; false when the text is not a time.
bool ParseLoginTime(std::string_view text, NWLoginTime& time);

}  // namespace nwsim
