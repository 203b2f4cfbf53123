keywords.go
package main
import "fmt"
func (s *S) Run(x int) error {
}
type Server struct {}
