#include "foundation/ClassDescription.hpp"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// A receiver whose methods log how they were called.
class Receiver : public fw::NSObject {
public:
    static const fw::ClassDescriptor& classObject()
    {
        static const fw::ClassDescriptor cls
            = fw::describeClass<Receiver>("Receiver", fw::NSObject::classObject(),
                { { "tap", fw::action<&Receiver::tap>() }, { "row:", fw::action<&Receiver::row>() },
                    { "named:mode:", fw::action<&Receiver::named>() },
                    { "store:row:", fw::action<&Receiver::store>() },
                    { "answer:", fw::action<&Receiver::answer>() },
                    { "lookUp:", fw::action<&Receiver::lookUp>() } });
        return cls;
    }
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    void tap() { log.push_back("tap"); }
    void row(const std::shared_ptr<Receiver>& other)
    {
        log.push_back(other ? "row object" : "row nil");
    }
    void named(const std::string& name, const std::string& mode)
    {
        log.push_back("named " + name + " " + mode);
    }
    void store(const fw::Value& value, const std::shared_ptr<Receiver>&)
    {
        const std::int64_t* number = value.asInteger();
        log.push_back("store " + (number ? std::to_string(*number) : std::string("?")));
    }
    bool answer(const std::shared_ptr<Receiver>&) { return true; }
    std::optional<fw::Value> lookUp(const std::string& key)
    {
        if (key == "known")
            return fw::Value(7);
        return std::nullopt;
    }

    std::vector<std::string> log;
};

} // namespace

TEST(ClassDescription, ActionsPassArgumentsByTheMethodsParameters)
{
    auto other = std::make_shared<Receiver>();
    struct Case {
        const char* selector;
        fw::Args args;
        std::vector<std::string> log;
        fw::ActionResult answer;
    };
    const Case cases[] = {
        { "tap", {}, { "tap" }, std::nullopt },
        { "tap", { fw::Value(1) }, { "tap" }, std::nullopt },
        // A missing object is nil, as messaging passes it.
        { "row:", { fw::Arg(fw::Id(other)) }, { "row object" }, std::nullopt },
        { "row:", {}, { "row nil" }, std::nullopt },
        { "row:", { fw::Value("text") }, { "row nil" }, std::nullopt },
        { "named:mode:", { fw::Value("a"), fw::Value("dark") }, { "named a dark" }, std::nullopt },
        // A missing or mistyped value leaves the method uncalled.
        { "named:mode:", { fw::Value("a") }, {}, std::nullopt },
        { "named:mode:", { fw::Value("a"), fw::Value(3) }, {}, std::nullopt },
        { "store:row:", { fw::Value(5), fw::Arg(fw::Id(other)) }, { "store 5" }, std::nullopt },
        { "store:row:", { fw::Value(5) }, { "store 5" }, std::nullopt },
        { "store:row:", {}, {}, std::nullopt },
        // Answers become the selector's.
        { "answer:", {}, {}, fw::Value(true) },
        { "lookUp:", { fw::Value("known") }, {}, fw::Value(7) },
        { "lookUp:", { fw::Value("unknown") }, {}, std::nullopt },
        { "lookUp:", {}, {}, std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector + std::string(" with ") + std::to_string(c.args.size()));
        auto receiver = std::make_shared<Receiver>();
        EXPECT_TRUE(receiver->respondsToSelector(c.selector));
        EXPECT_EQ(receiver->perform(c.selector, c.args), c.answer);
        EXPECT_EQ(receiver->log, c.log);
    }
}

TEST(ClassDescription, DescribesNameSuperclassAndFactory)
{
    const fw::ClassDescriptor& made = Receiver::classObject();
    EXPECT_EQ(made.name, "Receiver");
    EXPECT_EQ(made.superclass, &fw::NSObject::classObject());
    ASSERT_TRUE(made.make);
    auto instance = made.make();
    ASSERT_TRUE(instance);
    EXPECT_EQ(&instance->isa(), &made);

    auto plain = fw::describeClass("Abstract", fw::NSObject::classObject());
    EXPECT_EQ(plain.name, "Abstract");
    EXPECT_FALSE(plain.make);
    EXPECT_TRUE(plain.actions.empty());
}
