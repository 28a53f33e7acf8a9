// The commands' calls as plakit and the page make them: which file each reads, in which
// order, and what a refused read leaves. The texts themselves are held against plakit's in
// the CLI cases and, for the page, in web/binding_test.js.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/commands.h"

namespace {

// A file that notes, in `reads`, each time a command reads it.
command_file noted(const std::string& name, const std::string& bytes, std::vector<std::string>& reads) {
    const command_file file = file_of_bytes(name, bytes);
    return {name, [file, name, &reads](std::size_t limit, std::string& read, std::vector<std::string>& messages) {
                reads.push_back(name);
                return file.read(limit, read, messages);
            }};
}

const std::string bad_wiring = "A0 I99\n";

TEST(Commands, AFailedInputEndsTheCommandBeforeTheNextIsRead) {
    std::vector<std::string> reads;
    const command_result image = run_image(noted("bad.jed", "hello", reads), {},
                                           wiring_named("wiring.txt", noted("wiring.txt", bad_wiring, reads)));
    EXPECT_EQ(image.status, status_failed);
    EXPECT_FALSE(image.output);
    ASSERT_EQ(image.messages.size(), 1U);
    EXPECT_EQ(image.messages.front().rfind("plakit: bad.jed", 0), 0U) << image.messages.front();
    EXPECT_EQ(reads, std::vector<std::string>{"bad.jed"});

    // fit and compare read the wiring first; verify the programming, the wiring, the dump.
    reads.clear();
    const command_result fit = run_fit(noted("image.bin", "", reads), jedec_pair_order::complement_first,
                                       wiring_named("wiring.txt", noted("wiring.txt", bad_wiring, reads)));
    EXPECT_EQ(fit.status, status_failed);
    EXPECT_EQ(reads, std::vector<std::string>{"wiring.txt"});
    reads.clear();
    const command_result verify = run_verify({noted("dump.bin", "", reads)}, noted("p.jed", "x", reads), {},
                                             wiring_named("straight", noted("straight", "", reads)));
    EXPECT_EQ(verify.status, status_trouble);
    EXPECT_EQ(reads, std::vector<std::string>{"p.jed"});
    reads.clear();
    const command_result compare = run_compare(noted("a.jed", "x", reads), noted("b.jed", "x", reads), {},
                                               wiring_named("adapter", noted("adapter", "", reads)));
    EXPECT_EQ(compare.status, status_trouble);
    EXPECT_EQ(reads, std::vector<std::string>{"a.jed"});
}

TEST(Commands, VerifyHoldsOneDumpAtATime) {
    std::vector<std::string> reads;
    for (const auto& dumps :
         {std::vector<command_file>{}, std::vector{noted("first.bin", "", reads), noted("second.bin", "", reads)}}) {
        const command_result result = run_verify(dumps, std::nullopt, {}, wiring_named("adapter", {}));
        EXPECT_EQ(result.status, status_trouble);
        EXPECT_FALSE(result.output);
        ASSERT_EQ(result.messages.size(), 1U);
        EXPECT_EQ(result.messages.front().find('\n'), std::string::npos);
    }
    EXPECT_TRUE(reads.empty());
}

TEST(Commands, BytesAtHandAreRefusedAboveTheLimitAsPlakitRefusesAFile) {
    const command_wiring at_limit = wiring_named("w.txt", file_of_bytes("w.txt", std::string(wiring_size_limit, ' ')));
    const command_result read = run_wiring(at_limit);
    ASSERT_EQ(read.messages.size(), 1U);
    EXPECT_EQ(read.messages.front().find("larger"), std::string::npos) << read.messages.front();

    const command_wiring above = wiring_named("w.txt", file_of_bytes("w.txt", std::string(wiring_size_limit + 1, ' ')));
    const command_result refused = run_wiring(above);
    EXPECT_EQ(refused.status, status_failed);
    EXPECT_EQ(refused.messages, std::vector<std::string>{"plakit: w.txt: larger than 64 KiB: refused"});
}

TEST(Commands, FitWritesTheProgrammingBeforeItsLine) {
    const command_result image = run_image(std::nullopt, {}, wiring_named("adapter", {}));
    ASSERT_TRUE(image.output);
    const command_result fit = run_fit(file_of_bytes("image.bin", *image.output), jedec_pair_order::complement_first,
                                       wiring_named("adapter", {}));
    EXPECT_EQ(fit.status, status_done);
    ASSERT_TRUE(fit.output);
    EXPECT_EQ(fit.output->rfind('\x02', 0), 0U);
    ASSERT_EQ(fit.messages.size(), 1U);
    EXPECT_EQ(fit.messages.front().rfind("plakit: image.bin: ", 0), 0U);
    // The JEDEC file written is the built-in logic: compare finds no difference.
    const command_result same = run_compare(file_of_bytes("fitted.jed", *fit.output),
                                            file_of_bytes("image.bin", *image.output), {}, wiring_named("adapter", {}));
    EXPECT_EQ(same.status, status_done) << same.output.value_or("");
}

} // namespace
