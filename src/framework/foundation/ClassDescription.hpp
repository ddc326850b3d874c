#pragma once

#include "foundation/NSObject.hpp"

#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace fw {

namespace detail {

template <class Method> struct MethodTraits;
template <class R, class T, class... P> struct MethodTraits<R (T::*)(P...)> {
    using Class = T;
    using Result = R;
    using Parameters = std::tuple<std::remove_cvref_t<P>...>;
};
template <class R, class T, class... P> struct MethodTraits<R (T::*)(P...) const> {
    using Class = const T;
    using Result = R;
    using Parameters = std::tuple<std::remove_cvref_t<P>...>;
};

// One argument of a performed selector in the form the method takes it. Each reading tests
// true when the argument may be passed: an object always (a missing one is null, as messaging
// nil would pass), a value or a string only when the caller gave one.
template <class P> struct ArgumentOf;
template <class T> struct ArgumentOf<std::shared_ptr<T>> {
    static std::optional<std::shared_ptr<T>> read(const Args& args, std::size_t index)
    {
        return argAs<T>(args, index);
    }
};
template <> struct ArgumentOf<Value> {
    static const Value* read(const Args& args, std::size_t index) { return argValue(args, index); }
};
template <> struct ArgumentOf<std::string> {
    static const std::string* read(const Args& args, std::size_t index)
    {
        const Value* value = argValue(args, index);
        return value ? value->asString() : nullptr;
    }
};

template <auto Method, std::size_t... Index>
ActionResult callWithArguments(NSObject& self, const Args& args, std::index_sequence<Index...>)
{
    using Traits = MethodTraits<decltype(Method)>;
    using Parameters = typename Traits::Parameters;
    [[maybe_unused]] std::tuple arguments {
        ArgumentOf<std::tuple_element_t<Index, Parameters>>::read(args, Index)...
    };
    // A selector missing a value it needs does nothing, as an unknown selector does.
    if (!(static_cast<bool>(std::get<Index>(arguments)) && ...))
        return std::nullopt;
    auto& receiver = static_cast<typename Traits::Class&>(self);
    using Result = typename Traits::Result;
    if constexpr (std::is_void_v<Result>) {
        (receiver.*Method)(*std::get<Index>(arguments)...);
        return std::nullopt;
    } else if constexpr (std::is_same_v<std::remove_cvref_t<Result>, ActionResult>) {
        return (receiver.*Method)(*std::get<Index>(arguments)...);
    } else {
        return Value((receiver.*Method)(*std::get<Index>(arguments)...));
    }
}

} // namespace detail

// The action-table entry that performs a selector by calling `Method` on the receiver. The
// selector's arguments become the method's, in order: objects (std::shared_ptr) by their class,
// values as fw::Value or std::string. The method's answer, if any, becomes the selector's.
template <auto Method> Action action()
{
    using Parameters = typename detail::MethodTraits<decltype(Method)>::Parameters;
    return [](NSObject& self, const Args& args) {
        return detail::callWithArguments<Method>(
            self, args, std::make_index_sequence<std::tuple_size_v<Parameters>>());
    };
}

using ActionTable = std::initializer_list<std::pair<const std::string, Action>>;

// The descriptor of a class that cannot be made by name.
inline ClassDescriptor describeClass(
    std::string name, const ClassDescriptor& superclass, ActionTable actions = {})
{
    return ClassDescriptor { std::move(name), &superclass, {}, actions };
}

// The descriptor of a class that can be made by name (NSClassFromString, layout files).
template <class T>
ClassDescriptor describeClass(
    std::string name, const ClassDescriptor& superclass, ActionTable actions = {})
{
    ClassDescriptor c = describeClass(std::move(name), superclass, actions);
    c.make = [] { return std::make_shared<T>(); };
    return c;
}

} // namespace fw
