def main():
    s = ""
    for i in range(200000):
        s += str(i)
    print("MessageBox: strings " + str(len(s)) + " " + s[-12:])


main()
