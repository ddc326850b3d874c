#pragma once

#include "foundation/Value.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fw {

class NSObject;
using Id = std::shared_ptr<NSObject>;

// An argument of a performed selector: nothing, a property-list value, or an object.
using Arg = std::variant<std::monostate, Value, Id>;
using Args = std::vector<Arg>;
// What a performed selector answers: a value for getters, nothing otherwise.
using ActionResult = std::optional<Value>;
using Action = std::function<ActionResult(NSObject& self, const Args& args)>;

// "The class itself": one descriptor per class, so identity comparison works, with the
// factory used when a class is looked up by name and the selectors its instances answer.
struct ClassDescriptor {
    std::string name;
    const ClassDescriptor* superclass { nullptr };
    // Allocates an uninitialised instance (pages are ready to use; cells still need their
    // initialiser). Empty for classes that cannot be made by name.
    std::function<Id()> make {};
    // Selectors by their full spelling ("setWithRespring:specifier:").
    std::map<std::string, Action, std::less<>> actions {};

    bool isSubclassOf(const ClassDescriptor& other) const;
    const Action* findAction(std::string_view selector) const;
};

// NSClassFromString and its registration side.
void registerClass(const ClassDescriptor& cls);
const ClassDescriptor* NSClassFromString(std::string_view name);
// The class the Settings app makes to open a preference bundle (its NSPrincipalClass): declared
// by the bundle when it registers its classes; null until then.
void declarePrincipalClass(const ClassDescriptor& cls);
const ClassDescriptor* principalClass();

class NSObject : public std::enable_shared_from_this<NSObject> {
public:
    virtual ~NSObject() = default;

    static const ClassDescriptor& classObject();
    virtual const ClassDescriptor& isa() const { return classObject(); }

    bool isKindOfClass(const ClassDescriptor& cls) const { return isa().isSubclassOf(cls); }
    bool respondsToSelector(std::string_view selector) const;
    // Performs a selector through the class's action table. Unknown selectors do nothing.
    ActionResult perform(std::string_view selector, const Args& args = {});
};

// Small helpers for action tables.
const Value* argValue(const Args& args, std::size_t index);
Id argObject(const Args& args, std::size_t index);
template <class T> std::shared_ptr<T> argAs(const Args& args, std::size_t index)
{
    return std::dynamic_pointer_cast<T>(argObject(args, index));
}

} // namespace fw
