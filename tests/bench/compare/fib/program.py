def fib(n):
    if n < 2:
        return n
    return fib(n - 1) + fib(n - 2)


print("MessageBox: fib(27) = " + str(fib(27)))
