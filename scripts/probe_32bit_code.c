/* Does this kernel let a 64-bit process run 32-bit code? New-WoW64 Wine needs
 * it for every 32-bit Windows program, and some kernels refuse the 32-bit user
 * code segment to 64-bit processes. Decided here, without Wine, so that a
 * broken Wine never passes for a machine that cannot run 32-bit code.
 *
 * Exit status 0 and "yes" when a far return into selector 0x23 and a far jump
 * back to 0x33 work; 1 and the reason when the transfer faults.
 * Build without PIE: the 32-bit code must lie below 4 GiB. */
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

void far_trip(void);
__asm__(
    "    .text\n"
    "    .globl far_trip\n"
    "far_trip:\n"
    "    movq %rsp, saved_rsp(%rip)\n"  /* 32-bit code leaves the upper halves undefined */
    "    pushq $0x23\n"                 /* the 32-bit user code segment */
    "    pushq $in_32bit_code\n"
    "    lretq\n"
    "    .code32\n"
    "in_32bit_code:\n"
    "    ljmp $0x33, $back_in_64bit_code\n"
    "    .code64\n"
    "back_in_64bit_code:\n"
    "    movq saved_rsp(%rip), %rsp\n"
    "    ret\n"
    "    .bss\n"
    "saved_rsp: .quad 0\n"
    "    .text\n");

static sigjmp_buf refused;
static volatile sig_atomic_t fault;

static void on_fault(int signal_number) {
    fault = signal_number;
    siglongjmp(refused, 1);
}

int main(void) {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_fault;
    sigaction(SIGSEGV, &action, NULL);
    sigaction(SIGBUS, &action, NULL);
    sigaction(SIGILL, &action, NULL);
    if (sigsetjmp(refused, 1)) {
        printf("no: this kernel refuses 32-bit code in 64-bit processes "
               "(a far transfer to the 32-bit code segment raised %s)\n", strsignal(fault));
        return 1;
    }
    far_trip();
    puts("yes: this kernel runs 32-bit code in 64-bit processes");
    return 0;
}
