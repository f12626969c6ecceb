#include "platform/sim/sim_network.h"

#include <algorithm>

#include "platform/codepage.h"

namespace nwsim {

NWCode SimNetwork::DSCreateContextHandle(DSContext& context) {
    Call call(*this, "DSCreateContextHandle", {});
    if (call.rc) return call.rc;
    context = m_nextContext++;
    m_contexts[context] = DSContextState{0, "[root]", m_net.workstation.ndsTree};
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSGetContext(DSContext context, int key, std::uint32_t& value) {
    Call call(*this, "DSGetContext", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_contexts.find(context);
    if (it == m_contexts.end()) return kDSBadHandle;
    if (key != kDSContextFlags) return kDSBadKey;
    value = it->second.flags;
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSGetContext(DSContext context, int key, std::string& value) {
    Call call(*this, "DSGetContext", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_contexts.find(context);
    if (it == m_contexts.end()) return kDSBadHandle;
    if (key == kDSContextNameContext) {
        value = it->second.nameContext;
    } else if (key == kDSContextTreeName) {
        value = it->second.tree;
    } else {
        return kDSBadKey;
    }
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSSetContext(DSContext context, int key, std::uint32_t value) {
    Call call(*this, "DSSetContext", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_contexts.find(context);
    if (it == m_contexts.end()) return kDSBadHandle;
    if (key != kDSContextFlags) return kDSBadKey;
    it->second.flags = value;
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSSetContext(DSContext context, int key, const std::string& value) {
    Call call(*this, "DSSetContext", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_contexts.find(context);
    if (it == m_contexts.end()) return kDSBadHandle;
    if (key == kDSContextNameContext) {
        it->second.nameContext = value;
    } else if (key == kDSContextTreeName) {
        it->second.tree = Upper(value);
    } else {
        return kDSBadKey;
    }
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSAllocBuf(std::size_t, DSBuf& buf) {
    Call call(*this, "DSAllocBuf", {.local = true});
    if (call.rc) return call.rc;
    buf = m_nextBuffer++;
    m_dsBuffers[buf] = DSBuffer{};
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSInitBuf(DSContext context, std::uint32_t operation, DSBuf buf) {
    Call call(*this, "DSInitBuf", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_dsBuffers.find(buf);
    if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
    it->second = DSBuffer{};
    it->second.operation = operation;
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSFreeBuf(DSBuf buf) {
    Call call(*this, "DSFreeBuf", {.local = true});
    if (call.rc) return call.rc;
    return m_dsBuffers.erase(buf) ? nwcode::kSuccess : kDSBadHandle;
}

NWCode SimNetwork::DSCanonicalizeName(DSContext context, const std::string& name, std::string& canonical) {
    Call call(*this, "DSCanonicalizeName", {});
    if (call.rc) return call.rc;
    auto it = m_contexts.find(context);
    if (it == m_contexts.end()) return kDSBadHandle;
    std::vector<std::string> parts = FullNameParts(it->second, name);
    if (parts.empty()) return nwcode::kDSNoSuchEntry;
    canonical = DSJoin(parts, !(it->second.flags & kDSFlagTypeless));
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWDSPutAttrName(DSContext context, DSBuf request, const std::string& attributeName) {
    Call call(*this, "NWDSPutAttrName", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_dsBuffers.find(request);
    if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
    it->second.names.push_back(attributeName);
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWDSRead(DSContext context, const std::string& objectName, std::uint32_t,
                            bool allAttributes, DSBuf request, std::int32_t& iterationHandle, DSBuf reply) {
    Call call(*this, "NWDSRead", {.path = objectName});
    if (call.rc) return call.rc;
    auto ctx = m_contexts.find(context);
    auto req = m_dsBuffers.find(request);
    auto rep = m_dsBuffers.find(reply);
    if (ctx == m_contexts.end() || rep == m_dsBuffers.end() || (!allAttributes && req == m_dsBuffers.end()))
        return kDSBadHandle;
    const TreeObject* object = FindObject(ctx->second, objectName);
    if (!object) return nwcode::kDSNoSuchEntry;
    DSBuffer result;
    std::vector<std::string> names =
        allAttributes ? std::vector<std::string>{"Full Name"} : req->second.names;
    for (const std::string& attribute : names) {
        if (EqualNoCase(attribute, "Full Name") && object->fullName)
            result.attributes.emplace_back("Full Name", *object->fullName);
    }
    if (result.attributes.empty()) return nwcode::kDSNoSuchAttribute;
    rep->second = std::move(result);
    iterationHandle = -1;
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWDSGetAttrCount(DSContext context, DSBuf reply, std::uint32_t& count) {
    Call call(*this, "NWDSGetAttrCount", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_dsBuffers.find(reply);
    if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
    count = static_cast<std::uint32_t>(it->second.attributes.size());
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWDSGetAttrName(DSContext context, DSBuf reply, std::string& attributeName,
                                   std::uint32_t& valueCount, std::uint32_t& syntaxID) {
    Call call(*this, "NWDSGetAttrName", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_dsBuffers.find(reply);
    if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
    DSBuffer& b = it->second;
    if (b.nextAttribute >= b.attributes.size()) return nwcode::kDSNoSuchAttribute;
    b.current = b.nextAttribute++;
    b.nextValue = 0;
    attributeName = b.attributes[b.current].first;
    valueCount = static_cast<std::uint32_t>(b.attributes[b.current].second.size());
    syntaxID = kSyntaxCaseIgnoreString;
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWDSGetAttrVal(DSContext context, DSBuf reply, std::uint32_t, std::string& value) {
    Call call(*this, "NWDSGetAttrVal", {.local = true});
    if (call.rc) return call.rc;
    auto it = m_dsBuffers.find(reply);
    if (it == m_dsBuffers.end() || !m_contexts.count(context)) return kDSBadHandle;
    DSBuffer& b = it->second;
    if (b.current >= b.attributes.size()) return nwcode::kDSNoSuchAttribute;
    const auto& values = b.attributes[b.current].second;
    if (b.nextValue >= values.size()) return nwcode::kDSNoSuchAttribute;
    value = values[b.nextValue++];
    return nwcode::kSuccess;
}

NWCode SimNetwork::DSMapIDToName(DSContext context, ConnHandle conn, std::uint32_t objectID,
                                 std::string& name) {
    Call call(*this, "DSMapIDToName", {.conn = conn});
    if (call.rc) return call.rc;
    auto ctx = m_contexts.find(context);
    if (ctx == m_contexts.end()) return kDSBadHandle;
    NWCode rc;
    const Server* s = ServerWithIdentity(conn, rc);
    if (!s) return rc;
    auto it = m_objects.find(objectID);
    if (it == m_objects.end() || it->second.server != s->name || !it->second.nds || s->tree.empty())
        return nwcode::kDSNoSuchEntry;
    std::vector<std::string> parts = DSNameParts(it->second.user);
    if (!IsRootContext(ctx->second.nameContext)) {
        // Relative to the name context when the object lies below it.
        std::vector<std::string> context = DSNameParts(ctx->second.nameContext);
        if (context.size() < parts.size() &&
            std::equal(context.rbegin(), context.rend(), parts.rbegin(),
                       [](const std::string& a, const std::string& b) { return EqualNoCase(a, b); }))
            parts.resize(parts.size() - context.size());
    }
    name = DSJoin(parts, !(ctx->second.flags & kDSFlagTypeless));
    return nwcode::kSuccess;
}

NWCode SimNetwork::NWDSLogin(DSContext context, std::uint32_t, const std::string& objectName,
                             const std::string& password, std::uint32_t) {
    Call call(*this, "NWDSLogin", {});
    if (call.rc) return call.rc;
    auto ctx = m_contexts.find(context);
    if (ctx == m_contexts.end()) return kDSBadHandle;
    DSContextState root = ctx->second;
    root.nameContext = "[root]";
    const TreeObject* object = FindObject(root, objectName);
    if (!object) return nwcode::kDSNoSuchEntry;
    if (object->password != password) return nwcode::kDSLoginRefused;
    std::string tree = OemToCharA(TreeOf(root)->name);
    std::string user = OemToCharA(object->name);
    return Change([&](Json& doc) -> NWCode {
        Json& ws = doc["workstation"];
        if (!ws.is_object()) ws = Json::object();
        ws["nds"] = Json{{"tree", tree}, {"user", user}};
        return nwcode::kSuccess;
    });
}

NWCode SimNetwork::NWDSAuthenticate(ConnHandle conn, std::uint32_t, const void*) {
    Call call(*this, "NWDSAuthenticate", {.conn = conn});
    if (call.rc) return call.rc;
    NWCode rc;
    const Server* s = ServerOf(conn, rc);
    if (!s) return rc;
    const Workstation& ws = m_net.workstation;
    if (s->tree.empty() || ws.ndsUser.empty() || ws.ndsTree != s->tree) return nwcode::kDSLoginRefused;
    return nwcode::kSuccess;
}

const Tree* SimNetwork::TreeOf(const DSContextState& ctx) const {
    std::string tree = ctx.tree.empty() ? m_net.workstation.ndsTree : ctx.tree;
    auto it = m_net.trees.find(Upper(tree));
    return it == m_net.trees.end() ? nullptr : &it->second;
}

std::vector<std::string> SimNetwork::FullNameParts(const DSContextState& ctx, std::string_view name) {
    bool absolute = !name.empty() && name.front() == '.';
    std::vector<std::string> parts = DSNameParts(name);
    if (!absolute && !IsRootContext(ctx.nameContext)) {
        for (std::string& part : DSNameParts(ctx.nameContext)) parts.push_back(std::move(part));
    }
    return parts;
}

const TreeObject* SimNetwork::FindObject(const DSContextState& ctx, std::string_view name) const {
    const Tree* tree = TreeOf(ctx);
    if (!tree) return nullptr;
    // A name already made full (DSCanonicalizeName) is found as it is too.
    for (bool relative : {true, false}) {
        std::vector<std::string> parts = relative ? FullNameParts(ctx, name) : DSNameParts(name);
        auto it = tree->objects.find(Upper(DSJoin(parts, false)));
        if (it != tree->objects.end()) return &it->second;
    }
    return nullptr;
}

}  // namespace nwsim
