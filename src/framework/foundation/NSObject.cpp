#include "foundation/NSObject.hpp"

#include <mutex>

namespace fw {

bool ClassDescriptor::isSubclassOf(const ClassDescriptor& other) const
{
    for (auto* cls = this; cls; cls = cls->superclass) {
        if (cls == &other)
            return true;
    }
    return false;
}

const Action* ClassDescriptor::findAction(std::string_view selector) const
{
    for (auto* cls = this; cls; cls = cls->superclass) {
        auto it = cls->actions.find(selector);
        if (it != cls->actions.end())
            return &it->second;
    }
    return nullptr;
}

namespace {
struct Registry {
    std::mutex mutex;
    std::map<std::string, const ClassDescriptor*, std::less<>> classes;
    const ClassDescriptor* principal { nullptr };
};
Registry& registry()
{
    static Registry instance;
    return instance;
}
} // namespace

void registerClass(const ClassDescriptor& cls)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes[cls.name] = &cls;
}

const ClassDescriptor* NSClassFromString(std::string_view name)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(name);
    return it == r.classes.end() ? nullptr : it->second;
}

void declarePrincipalClass(const ClassDescriptor& cls)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes[cls.name] = &cls;
    r.principal = &cls;
}

const ClassDescriptor* principalClass()
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.principal;
}

const ClassDescriptor& NSObject::classObject()
{
    static const ClassDescriptor cls { "NSObject", nullptr, {}, {} };
    return cls;
}

bool NSObject::respondsToSelector(std::string_view selector) const
{
    return isa().findAction(selector) != nullptr;
}

ActionResult NSObject::perform(std::string_view selector, const Args& args)
{
    auto* action = isa().findAction(selector);
    if (!action)
        return std::nullopt;
    // The receiver stays alive while its handler runs, even if the handler drops the last
    // other reference (a page reloading itself, a cell leaving the table).
    auto keepAlive = weak_from_this().lock();
    return (*action)(*this, args);
}

const Value* argValue(const Args& args, std::size_t index)
{
    if (index >= args.size())
        return nullptr;
    return std::get_if<Value>(&args[index]);
}

Id argObject(const Args& args, std::size_t index)
{
    if (index >= args.size())
        return nullptr;
    auto* object = std::get_if<Id>(&args[index]);
    return object ? *object : nullptr;
}

} // namespace fw
